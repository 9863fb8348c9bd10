// The parts of the demo generator that can be checked on their own: tax codes, the period
// rule, the people drawn for an installation and the stamp pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "demo/demo_images.h"
#include "demo/demo_installation.h"
#include "demo/demo_people.h"

#ifdef KAVELTAR_HAVE_LIBJPEG
#include <jpeglib.h>
#endif

namespace kaveltar::demo {
namespace {

TEST(DemoPeople, TaxCodesFollowTheOfficialRule) {
  // The textbook example, a woman (day + 40), a first name of four consonants, an
  // apostrophe and an accent.
  EXPECT_EQ(TaxCode("Rossi", "Mario", false, {1980, 1, 1}, "H501"), "RSSMRA80A01H501U");
  const std::string anna = TaxCode("D'Angelo", "Anna", true, {1975, 12, 3}, "G224");
  EXPECT_EQ(anna.substr(0, 11), "DNGNNA75T43");
  EXPECT_EQ(TaxCode("Cantù", "Gianfranco", false, {1990, 6, 9}, "L840").substr(0, 6), "CNTGFR");
  EXPECT_EQ(TaxCode("Fo", "Ugo", false, {1990, 6, 9}, "L840").substr(0, 6), "FOXGUO");
}

TEST(DemoPeople, ProcessingMonthFollowsToday) {
  EXPECT_EQ(ResolveDemoMonth(2025, 2025, 6), 5);
  EXPECT_EQ(ResolveDemoMonth(2025, 2025, 1), 1);
  EXPECT_EQ(ResolveDemoMonth(2023, 2025, 6), 12);
  EXPECT_EQ(ResolveDemoMonth(2027, 2025, 6), 1);
}

TEST(DemoPeople, FullInstallationUsesEveryEmployeeNumberOnce) {
  const Population pop = GeneratePopulation({2025, 1, 999, 9999, 3});
  ASSERT_EQ(pop.employees.size(), 9999u);  // no room for people of earlier years
  std::set<int> numbers;
  std::set<int> companies;
  for (const Employee& e : pop.employees) {
    numbers.insert(e.number);
    companies.insert(e.company);
    ASSERT_TRUE(e.InYear(2025));
  }
  EXPECT_EQ(numbers.size(), 9999u);
  EXPECT_EQ(companies.size(), 999u);
  EXPECT_EQ(pop.companies.back().code, 999);  // no free code when 999 companies fill them
}

TEST(DemoPeople, EveryCaseReachesAnEmployeeWithFewPeople) {
  // One employee per case and nothing left over.
  const int cases = static_cast<int>(DemoCase::kLeftEarlierYear);
  const Population pop = GeneratePopulation({2024, 3, 2, cases, 11});
  uint32_t seen = 0;
  for (const Employee& e : pop.employees) seen |= ClassifyEmployee(e, 2024, 3);
  EXPECT_EQ(seen, (1u << kDemoCaseCount) - 1);
}

TEST(DemoImages, JpegIsABaselineFileThatDecodesToThePicture) {
  const Canvas canvas = DrawStandardStamp();
  const std::string jpeg = EncodeJpeg(canvas, 90);
  ASSERT_GT(jpeg.size(), 600u);
  EXPECT_EQ(jpeg.substr(0, 4), "\xFF\xD8\xFF\xE0");
  EXPECT_NE(jpeg.find("\xFF\xC0"), std::string::npos);  // baseline frame
  EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
#ifdef KAVELTAR_HAVE_LIBJPEG
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  errors.error_exit = [](j_common_ptr) { throw std::runtime_error("libjpeg error"); };
  errors.emit_message = [](j_common_ptr, int level) {
    if (level < 0) throw std::runtime_error("libjpeg warning: corrupt data");
  };
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
  ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
  jpeg_start_decompress(&info);
  ASSERT_EQ(static_cast<int>(info.output_width), canvas.width());
  ASSERT_EQ(static_cast<int>(info.output_height), canvas.height());
  ASSERT_EQ(info.output_components, 3);
  std::vector<unsigned char> row(info.output_width * 3);
  long total_error = 0;
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    unsigned char* rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgb p = canvas.At(x, y);
      total_error += std::abs(row[x * 3] - p.r) + std::abs(row[x * 3 + 1] - p.g) +
                     std::abs(row[x * 3 + 2] - p.b);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  // Quality 90 on a drawing with hard edges: a few levels of error per channel on average.
  EXPECT_LT(static_cast<double>(total_error) / (canvas.width() * canvas.height() * 3), 4.0);
#endif
}

}  // namespace
}  // namespace kaveltar::demo
