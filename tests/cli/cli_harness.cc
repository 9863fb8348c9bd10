#include "cli/cli_harness.h"

#include <stdlib.h>

#include <sstream>

#include "cli/cli.h"

namespace kaveltar::cli_harness {
namespace fs = std::filesystem;

fs::path MakeDemoInstallation(const std::string& prefix, const DemoSetup& setup,
                              DemoReport* report) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  const fs::path root = pattern;
  setenv("KAVELTAR_DRIVE_C", (root / "c").c_str(), 1);
  setenv("KAVELTAR_REGISTRY", (root / "registry.ini").c_str(), 1);
  DemoOptions options;
  options.dir = root / "demo";
  options.year = setup.year;
  options.month = setup.month;
  options.companies = setup.companies;
  options.employees = setup.employees;
  options.seed = setup.seed;
  options.write_registry = setup.write_registry;
  DemoReport unused;
  if (!WriteDemoInstallation(options, report != nullptr ? report : &unused).ok()) return {};
  return root;
}

Output Run(const fs::path& root, const std::vector<std::string>& args, Dialogs* dialogs,
           const RunOptions& options) {
  std::vector<std::string> all = {"kaveltar-cli"};
  if (options.with_paths) {
    all.insert(all.end(), {"--archive", (root / "demo" / "ARCHIVI").string(), "--programs",
                           (root / "demo" / "PROGRAMMI").string()});
  }
  if (!options.printer.empty()) all.insert(all.end(), {"--printer", options.printer});
  all.insert(all.end(), args.begin(), args.end());
  std::vector<const char*> argv;
  for (const auto& a : all) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int status = cli::Run(static_cast<int>(argv.size()), argv.data(), out, err, dialogs);
  return {status, out.str(), err.str()};
}

std::string FilePrinter(const fs::path& folder) { return "file:" + folder.string(); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

std::vector<fs::path> Files(const fs::path& dir) {
  std::vector<fs::path> files;
  if (fs::exists(dir)) {
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
  }
  return files;
}

}  // namespace kaveltar::cli_harness
