// The screen tests: "kaveltar_ui_tests main_window", "... selection_screens",
// "... tables_screen" or "... memorize_screen" runs one group (CTest runs them side by side);
// without an argument all run. Further arguments go to QtTest.
#include <QApplication>
#include <cstring>
#include <vector>

int RunMainWindowTests(int argc, char** argv);
int RunSelectionScreensTests(int argc, char** argv);
int RunTablesScreenTests(int argc, char** argv);
int RunMemorizeScreenTests(int argc, char** argv);
int RunGridScreenTests(int argc, char** argv);
int RunPrintScreenTests(int argc, char** argv);
int RunExchangeScreensTests(int argc, char** argv);
int RunLongJobsTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* group = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
  std::vector<char*> args{argv[0]};
  for (int i = *group ? 2 : 1; i < argc; ++i) args.push_back(argv[i]);
  const int n = static_cast<int>(args.size());
  int status = 0;
  if (!*group || std::strcmp(group, "main_window") == 0) status |= RunMainWindowTests(n, args.data());
  if (!*group || std::strcmp(group, "selection_screens") == 0) {
    status |= RunSelectionScreensTests(n, args.data());
  }
  if (!*group || std::strcmp(group, "tables_screen") == 0) {
    status |= RunTablesScreenTests(n, args.data());
  }
  if (!*group || std::strcmp(group, "memorize_screen") == 0) {
    status |= RunMemorizeScreenTests(n, args.data());
  }
  if (!*group || std::strcmp(group, "grid_screen") == 0) status |= RunGridScreenTests(n, args.data());
  if (!*group || std::strcmp(group, "print_screen") == 0) status |= RunPrintScreenTests(n, args.data());
  if (!*group || std::strcmp(group, "exchange_screens") == 0) {
    status |= RunExchangeScreensTests(n, args.data());
  }
  if (!*group || std::strcmp(group, "long_jobs") == 0) status |= RunLongJobsTests(n, args.data());
  return status;
}
