// Report PDF files: names, cleaning, folders, the numbered variant, protection checked by
// opening the files with qpdf, and the folders and disks that refuse them.
#include "reports/pdf_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/run_time_error.h"
#include "common/tiny_disk.h"
#include "pdf/pdf_test_util.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

TEST(PdfFilesTest, NamesAreCutCleanedAndTrimmed) {
  const std::pair<std::string, std::string> cases[] = {
      {CleanPdfFileName("a*b|c\\d:e'f<g>h?i/j\"k."), "a_b_c_d_e_f_g_h_i_j_k"},
      // Cut at 30 characters, then trimmed.
      {CompanyPdfFileName("RIEPDIT_", "002", "COSTRUZIONI MERIDIONALI RIUNITE SPA"),
       "RIEPDIT_002_COSTRUZIONI MERIDIONALI RIUNIT.pdf"},
      // No first name: the trailing "_" goes.
      {EmployeePdfFileName("CART_", "X", "0010010008", "D'ANGELO", "  "),
       "CART_X_0010010008_D_ANGELO.pdf"},
      // Windows-1252 letters come out as UTF-8; UTF-8 accented letters stay.
      {EmployeePdfFileName("CART_", "X", "K", "NICOL\xC3", "E"), "CART_X_K_NICOLÃ_E.pdf"},
      // NUL would cut the name; ESC, CR, LF, DEL and the C1 controls would reach a folder
      // listing or a terminal raw.
      {CleanPdfFileName(std::string("ROSSI\0X\x1b[2J\r\n\x7f"
                                    "A\xC2\x85.pdf",
                                    21)),
       "ROSSI_X_[2J___A_.pdf"},
  };
  for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
}

TEST(PdfFilesTest, TheOperatorIsToldWhosePasswordOpensTheFiles) {
  PdfFileRequest r;
  r.office_password = "Studio0042";
  r.company_password = "ditta123";
  r.employee_password = "00000000";
  // A company file takes the company's password; an employee file the employee's, which
  // here is only zeros: no protection.
  EXPECT_EQ(ProtectionOf(r), PdfPasswordOwner::kCompany);
  r.one_file_per_employee = true;
  EXPECT_EQ(ProtectionOf(r), PdfPasswordOwner::kNone);
  r.employee_password = "  12031980 ";
  EXPECT_EQ(ProtectionOf(r), PdfPasswordOwner::kEmployee);

  EXPECT_EQ(ProtectionNotice(PdfPasswordOwner::kEmployee, 2, 3),
            "2 file PDF su 3 sono protetti: per aprirli occorre la password PDF del rispettivo "
            "dipendente (campo P977 dell'anagrafica dipendente).");
  EXPECT_EQ(ProtectionNotice(PdfPasswordOwner::kNone, 1, 1), "");
}

class OpenReportPdfTest : public ::testing::Test {
 protected:
  PdfFileRequest Request() {
    PdfFileRequest r;
    r.prefix = "CART_";
    r.folder = BuildPdfFolder(dir_.File("ARCHIVI"), "001", kSheetFolderKind, 2025, 6, &made_);
    r.company_code = "001";
    r.tax_code = "BNCMRA80A41F205X";
    r.employee_key = "0010010007";
    r.surname = "BIANCHI";
    r.first_name = "MARIA";
    r.office_password = "UFFICIO   ";
    r.one_file_per_employee = true;
    return r;
  }
  std::string Write(const PdfFileRequest& r) {
    target_.SetPdfOutput(true);
    Result<std::string> path = OpenReportPdf(target_, r, dialogs_);
    if (!path.ok()) return "";
    target_.ReportPdf().SetFont("Courier New", 10);
    PrintText(target_, 2, 2, std::string_view("FOGLIO"));
    EXPECT_TRUE(target_.EndReportPdf().ok());
    return path.value();
  }

  // A document of `pages` pages of text, not compressed, so it is large.
  Status WriteLarge(const PdfFileRequest& r, int pages) {
    target_.SetPdfOutput(true);
    Result<std::string> path = OpenReportPdf(target_, r, dialogs_);
    if (!path.ok()) return path.status();
    target_.ReportPdf().SetFont("Courier New", 8);
    try {
      for (int page = 0; page < pages; ++page) {
        if (page > 0) target_.ReportPdf().BeginPage();
        for (int line = 0; line < 60; ++line) {
          PrintText(target_, 1 + line * 0.4, 1,
                    std::string_view("RIGA DI PROVA " + std::to_string(page * 100 + line)));
        }
      }
    } catch (const RunTimeError&) {
      // What the print driver does when a primitive fails: ask the target why.
      const std::string why = target_.ReportPdfError();
      target_.ReleaseReportPdf();
      return Status::IoError(why);
    }
    return target_.EndReportPdf();
  }

  pdf_test::TempDir dir_;
  Status made_;
  ReportTarget target_;
  RecordingDialogs dialogs_;
};

TEST_F(OpenReportPdfTest, FolderTreeProtectedAndNumberedFiles) {
  PdfFileRequest r = Request();
  ASSERT_TRUE(made_.ok());
  const fs::path archives = dir_.File("ARCHIVI");
  EXPECT_EQ(r.folder, archives / "FILE-PDF/001/2025/06/PRESLUL");
  EXPECT_EQ(BuildPdfFolder(archives, "001", kYearFolderKind, 2025, 6),
            archives / "FILE-PDF/001/2025/PRES_AAAA");
  using pdf_test::Quote;
  using pdf_test::RunTool;
  auto opens = [](const std::string& file, const std::string& password) {
    return RunTool("qpdf --password=" + password + " --check " + Quote(file)).status == 0;
  };

  // Employee password and office password: the user opens with the first, not without.
  r.employee_password = "segreto ";
  const std::string locked = Write(r);
  EXPECT_EQ(fs::path(locked).filename(), "CART_BNCMRA80A41F205X_0010010007_BIANCHI_M.pdf");
  EXPECT_FALSE(opens(locked, ""));
  EXPECT_TRUE(opens(locked, "segreto"));

  // Numbered names take the first free number.
  r.numbered = true;
  EXPECT_EQ(fs::path(Write(r)).filename(), "CART_BNCMRA80A41F205X_0010010007_BIANCHI_M-001.PDF");
  EXPECT_EQ(fs::path(Write(r)).filename(), "CART_BNCMRA80A41F205X_0010010007_BIANCHI_M-002.PDF");
}

TEST_F(OpenReportPdfTest, UnwritableFoldersAndFullDisksNameTheFileAndTheCause) {
  PdfFileRequest r = Request();
  // A file where the folder should be.
  r.folder = dir_.File("cartella-file");
  pdf_test::WriteFile(r.folder.string(), "x");
  Result<std::string> opened = OpenReportPdf(target_, r, dialogs_);
  ASSERT_FALSE(opened.ok());
  EXPECT_EQ(opened.status().message(), "Impossibile creare il file PDF nella cartella " +
                                           r.folder.string() + ": il percorso non è una cartella");
  EXPECT_FALSE(target_.HasReportPdf());

  // A full disk: small documents fail when the file is completed, large ones while pages are
  // written; either way the old file is kept and no temporary file is left.
  const fs::path full = dir_.File("piccolo");
  testing::TinyDisk disk(full, 1 << 20);
  if (!disk.mounted()) GTEST_SKIP() << "mount non consentito: serve root";
  r.folder = full;
  const std::string path = Write(r);
  ASSERT_FALSE(path.empty());
  const std::string old = pdf_test::ReadFile(path);
  disk.Fill();
  for (int pages : {1, 80}) {
    const Status status = WriteLarge(r, pages);
    ASSERT_FALSE(status.ok()) << pages;
    EXPECT_EQ(status.message(), path + ": spazio esaurito sul disco") << pages;
    EXPECT_EQ(pdf_test::ReadFile(path), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(full), fs::directory_iterator()), 2);
  }
}

}  // namespace
}  // namespace kaveltar
