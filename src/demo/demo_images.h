// The INAIL stamp pictures of a demo installation, drawn on a small RGB canvas and written
// as a 24-bit BMP (the circular stamp) and as a baseline JPEG (the standard stamp). The JPEG
// encoder is a plain sequential one: 8x8 integer DCT, the example quantisation and Huffman
// tables of the JPEG standard (ITU-T T.81), YCbCr without subsampling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kaveltar::demo {

struct Rgb {
  uint8_t r = 255;
  uint8_t g = 255;
  uint8_t b = 255;
};

class Canvas {
 public:
  Canvas(int width, int height, Rgb background = {});

  int width() const { return width_; }
  int height() const { return height_; }
  Rgb At(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }
  void Set(int x, int y, Rgb c);  // ignored outside the canvas

  // A ring of the given radius and thickness around (cx, cy).
  void Ring(double cx, double cy, double radius, double thickness, Rgb c);
  void Disk(double cx, double cy, double radius, Rgb c);
  void Frame(int left, int top, int right, int bottom, int thickness, Rgb c);
  // Upper-case text in a 5x7 dot font, each dot `scale` pixels, left edge at x.
  void Text(std::string_view text, int x, int y, int scale, Rgb c);
  // Text centred on x.
  void CentredText(std::string_view text, int x, int y, int scale, Rgb c);
  // Text set clockwise around a circle, starting at `start_degrees` (0 = top); the baseline
  // of the letters lies on `radius` and their tops point outwards.
  void ArcText(std::string_view text, double cx, double cy, double radius, double start_degrees,
               double degrees_per_dot, double dot, Rgb c);

 private:
  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

// The two stamps.
Canvas DrawCircularStamp();
Canvas DrawStandardStamp();

// A 24-bit uncompressed Windows bitmap (rows bottom-up, each padded to 4 bytes).
std::string EncodeBmp(const Canvas& canvas);
// A baseline JFIF JPEG; quality 1-100 scales the example tables as libjpeg does.
std::string EncodeJpeg(const Canvas& canvas, int quality);

}  // namespace kaveltar::demo
