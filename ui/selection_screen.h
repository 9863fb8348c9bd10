// What the four working screens (memorization, update, printing, loading/export) share: a
// frame with a year, a company list in one of two orders, an employee list and a month list,
// fed by the SelectionLists of the session.
//
//   year buttons   -> the year's extraction is loaded, the company list rebuilt, and the
//                     company that was selected is selected again with its employees
//   company order  -> the company list rebuilt (employee list emptied)
//   company click  -> the employee list of that company in the shown year
//   employee order -> the employee list rebuilt
#pragma once

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QObject>
#include <string>

#include "archive/selection_lists.h"
#include "ui/list_widgets.h"

namespace kaveltar {
class Session;
}

namespace kaveltar::ui {

class FRMVELTAR;

class SelectionScreen : public QObject {
 public:
  SelectionScreen(FRMVELTAR& form, Screen screen, const char* frame_name, const char* caption);
  ~SelectionScreen() override;

  QGroupBox* frame() const { return frame_; }
  Screen screen() const { return screen_; }
  int year() const { return year_->year(); }
  // The chosen month, 1-12 (0 when none is selected).
  int month() const { return months_ == nullptr ? 0 : months_->currentRow() + 1; }
  QListWidget* companies() const { return companies_; }
  QListWidget* employees() const { return employees_; }
  QListWidget* months() const { return months_; }

  // Fills the company list from the extraction the session holds now (the processing year's,
  // loaded at start-up) and empties the employee list.
  void FillCompanies();

 protected:
  // Derived constructors create the widgets below, then call Connect().
  void Connect();
  // The company and employee lists with their order options, and beside them the year and
  // the month list, in a grid of three columns (row 2 is left for the screen's own widgets).
  QGridLayout* ListsAndPeriodLayout();
  // Loads the shown year's extraction, then fills the company list. The extraction is shared
  // by the screens, so a screen reloads its own year before listing.
  void ReloadCompanies();
  // The employee list of the company with the code `company`, in the shown year.
  std::vector<ListEntry> EmployeesOf(const std::string& company);
  void RebuildEmployees();
  // The company click; screens add their own work after the employee list.
  virtual void CompanyClicked();
  // Runs after the company or the employee list has been filled again (a screen whose
  // "select all" box is ticked selects the new lines).
  virtual void ListsRefilled() {}
  int CompanyOrder() const;
  int EmployeeOrder() const;
  // The code of the current company ("" with none).
  std::string CurrentCompanyCode() const;

  FRMVELTAR& form_;
  Session& session_;
  const Screen screen_;
  QGroupBox* frame_;
  QListWidget* companies_ = nullptr;
  QButtonGroup* company_order_ = nullptr;  // null: always by code
  QListWidget* employees_ = nullptr;
  QButtonGroup* employee_order_ = nullptr;  // null: always by code
  YearBox* year_ = nullptr;
  QListWidget* months_ = nullptr;

 private:
  void YearChanged();
};

}  // namespace kaveltar::ui
