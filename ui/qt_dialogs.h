// Dialogs for the desktop program: every message and question of the core and of the screens
// becomes a modal QMessageBox over the main window. A job running on a worker thread asks
// through them too: the box is then shown by the GUI thread, and the job waits for it.
#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "base/dialogs.h"

namespace kaveltar::ui {

// Qt's own texts (message-box buttons, the file dialog) in Italian, from the translations that
// come with Qt. False when they are not installed: those texts then stay in English.
bool InstallItalianTranslation(QCoreApplication& app);

class QtDialogs : public Dialogs {
 public:
  using Dialogs::Ask;
  using Dialogs::Show;
  // Message boxes are centred on `parent` once it is set; before that (start-up) they float.
  void set_parent(QWidget* parent) { parent_ = parent; }

  // Information, exclamation and critical messages show an OK button.
  void Show(std::string_view text, std::string_view title, MessageIcon icon) override;
  // Yes/No; Yes is the default button, as operators of the payroll office are used to.
  bool Ask(std::string_view text, std::string_view title, MessageIcon icon) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace kaveltar::ui
