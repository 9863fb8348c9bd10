#include "app/session.h"

namespace kaveltar {

Session::Session(Dialogs& dialogs) : dialogs_(dialogs), codec_(dialogs) {}

Session::~Session() { Close(); }

void Session::AttachArchives(std::filesystem::path archive_folder) {
  lists_.reset();
  archives_ = std::make_unique<ArchiveFiles>(std::move(archive_folder), dialogs_, trace_);
  lists_ = std::make_unique<SelectionLists>(*archives_, codec_, dialogs_, trace_);
}

void Session::Close() {
  db_.reset();
  if (archives_) archives_->CloseArchiveFile(0);
}

}  // namespace kaveltar
