#include "pdf_test_util.h"

#include <unistd.h>

#include <sys/wait.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>

#include <gtest/gtest.h>

#include "pdf/pdf_sink.h"

namespace kaveltar::pdf_test {

std::string MemoryDocument(const std::function<void(PdfDocument&)>& draw,
                           const std::function<void(PdfDocument&)>& setup) {
  PdfDocument doc;
  doc.SetDocProperty("PDFCART_", "", "Altrovia Raroziv", "Gestione Presenze", "Altrovia Raroziv");
  doc.SetScale(3, 1);
  doc.SetPaperSize(0, 0, 0);
  doc.SetMargins(0, 0, 0, 0, true);
  doc.SetPageView(0);
  doc.SetViewerPreferences(768);
  if (setup) setup(doc);
  MemoryPdfSink sink;
  doc.BeginDocToSink(&sink);
  doc.BeginPage();
  if (draw) draw(doc);
  doc.EndDoc();
  return sink.data();
}

std::string FirstContent(const std::string& pdf) {
  const size_t contents = pdf.find("/Contents ");
  if (contents == std::string::npos) return "";
  const std::string head = "\n" + std::to_string(std::stoi(pdf.substr(contents + 10))) + " 0 obj\n";
  const size_t obj = pdf.find(head);
  const size_t start = pdf.find("stream\n", obj) + 7;
  const size_t end = pdf.find("\nendstream", start);
  return pdf.substr(start, end - start);
}

TempDir::TempDir() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("kaveltar_pdf_test_" + std::to_string(getpid()) + "_" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ToolResult RunTool(const std::string& command) {
  ToolResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Le16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string* s, uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}

std::string MakeBmp(int width, int height, int bits, const std::vector<uint32_t>& rgb,
                    bool top_down) {
  std::vector<uint32_t> palette;
  std::map<uint32_t, int> index;
  if (bits <= 8) {
    for (uint32_t c : rgb) {
      if (index.emplace(c, static_cast<int>(palette.size())).second) palette.push_back(c);
    }
  }
  const int stride = (width * bits + 31) / 32 * 4;
  std::string pixels;
  for (int row = 0; row < height; ++row) {
    const int y = top_down ? row : height - 1 - row;
    std::string line(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
      const uint32_t c = rgb[static_cast<size_t>(y * width + x)];
      auto* p = reinterpret_cast<uint8_t*>(line.data());
      if (bits <= 8) {
        const int i = index[c];
        const int bit = x * bits;
        p[bit / 8] |= static_cast<uint8_t>(i << (8 - bits - bit % 8));
      } else if (bits == 16) {
        const uint32_t v = (((c >> 19) & 31) << 10) | (((c >> 11) & 31) << 5) | ((c >> 3) & 31);
        p[x * 2] = v & 0xFF;
        p[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
      } else {
        const int step = bits / 8;
        p[x * step] = c & 0xFF;
        p[x * step + 1] = (c >> 8) & 0xFF;
        p[x * step + 2] = (c >> 16) & 0xFF;
      }
    }
    pixels += line;
  }
  std::string bmp = "BM";
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size()) * 4;
  Le32(&bmp, offset + static_cast<uint32_t>(pixels.size()));
  Le32(&bmp, 0);
  Le32(&bmp, offset);
  Le32(&bmp, 40);
  Le32(&bmp, static_cast<uint32_t>(width));
  Le32(&bmp, static_cast<uint32_t>(top_down ? -height : height));
  Le16(&bmp, 1);
  Le16(&bmp, static_cast<uint32_t>(bits));
  Le32(&bmp, 0);
  Le32(&bmp, static_cast<uint32_t>(pixels.size()));
  Le32(&bmp, 2835);
  Le32(&bmp, 2835);
  Le32(&bmp, static_cast<uint32_t>(palette.size()));
  Le32(&bmp, 0);
  for (uint32_t c : palette) Le32(&bmp, c & 0xFFFFFF);
  return bmp + pixels;
}

uint32_t PpmPixel(const std::string& ppm, int x, int y) {
  static const std::regex header(R"(P6\s+(\d+)\s+(\d+)\s+255\s)");
  std::smatch m;
  if (!std::regex_search(ppm.begin(), ppm.begin() + std::min<size_t>(ppm.size(), 64), m, header))
    return 0xDEAD;
  const int width = std::stoi(m[1]);
  const size_t at = static_cast<size_t>(m.length(0)) + (static_cast<size_t>(y) * width + x) * 3;
  if (at + 3 > ppm.size()) return 0xDEAD;
  const auto* p = reinterpret_cast<const uint8_t*>(ppm.data() + at);
  return (p[0] << 16) | (p[1] << 8) | p[2];
}

namespace {

std::string PasswordOption(const std::string& password) {
  return password.empty() ? "" : "--password=" + Quote(password) + " ";
}

}  // namespace

void ExpectCleanQpdf(const std::string& file, const std::string& password) {
  const ToolResult result = RunTool("qpdf --check " + PasswordOption(password) + Quote(file));
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_TRUE(Contains(result.output, "No syntax or stream encoding errors found"))
      << result.output;
  EXPECT_FALSE(Contains(result.output, "WARNING")) << result.output;
}

std::string QpdfJson(const std::string& file, const std::string& key, const std::string& password) {
  const ToolResult result =
      RunTool("qpdf --json --json-key=" + key + " " + PasswordOption(password) + Quote(file));
  EXPECT_EQ(result.status, 0) << result.output;
  std::string compact;
  bool in_string = false;
  for (size_t i = 0; i < result.output.size(); ++i) {
    const char c = result.output[i];
    if (c == '"' && (i == 0 || result.output[i - 1] != '\\')) in_string = !in_string;
    if (!in_string && (c == ' ' || c == '\n')) continue;
    compact.push_back(c);
  }
  return compact;
}

std::string Render(const TempDir& dir, const std::string& file, int page) {
  const std::string out = dir.File("render");
  const ToolResult result =
      RunTool("pdftoppm -r 72 -f " + std::to_string(page) + " -l " + std::to_string(page) +
              " -singlefile " + Quote(file) + " " + Quote(out));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "") << "poppler complained";
  return ReadFile(out + ".ppm");
}

void ExpectContainsAll(const std::string& text, std::initializer_list<std::string> parts) {
  for (const std::string& part : parts)
    EXPECT_TRUE(Contains(text, part)) << part << " in\n" << text.substr(0, 3000);
}

void ExpectPixels(const std::string& ppm, std::initializer_list<Pixel> pixels) {
  for (const Pixel& p : pixels) {
    EXPECT_EQ(PpmPixel(ppm, p.x, p.y), p.rgb)
        << std::hex << "pixel " << std::dec << p.x << ", " << p.y;
  }
}

void WritePointsDocument(const std::string& path, int compression,
                         const std::function<void(PdfDocument&)>& draw) {
  PdfDocument doc;
  doc.SetScale(0);
  doc.SetCompression(compression, 3);
  doc.BeginDoc(path);
  doc.BeginPage();
  draw(doc);
  EXPECT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  doc.EndDoc();
  EXPECT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
}

std::vector<std::string> OutlineTitles(const std::string& file, const std::string& password) {
  const ToolResult result =
      RunTool("qpdf --json --json-key=outlines " + PasswordOption(password) + Quote(file));
  std::vector<std::string> titles;
  const std::regex title("\"title\": \"((?:[^\"\\\\]|\\\\.)*)\"");
  for (auto it = std::sregex_iterator(result.output.begin(), result.output.end(), title);
       it != std::sregex_iterator(); ++it) {
    titles.push_back((*it)[1].str());
  }
  return titles;
}

}  // namespace kaveltar::pdf_test
