// The screen tests: "kaveltar_ui_tests <group>" runs one group (CTest runs them side by side);
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
int RunLayoutTests(int argc, char** argv);
int RunLongJobsTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* group = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
  std::vector<char*> args{argv[0]};
  for (int i = *group ? 2 : 1; i < argc; ++i) args.push_back(argv[i]);
  const std::pair<const char*, int (*)(int, char**)> groups[] = {
      {"main_window", RunMainWindowTests},
      {"selection_screens", RunSelectionScreensTests},
      {"tables_screen", RunTablesScreenTests},
      {"memorize_screen", RunMemorizeScreenTests},
      {"grid_screen", RunGridScreenTests},
      {"print_screen", RunPrintScreenTests},
      {"exchange_screens", RunExchangeScreensTests},
      {"layout", RunLayoutTests},
      {"long_jobs", RunLongJobsTests}};
  int status = 0;
  for (const auto& [name, run] : groups) {
    if (!*group || std::strcmp(group, name) == 0)
      status |= run(static_cast<int>(args.size()), args.data());
  }
  return status;
}
