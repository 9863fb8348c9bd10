// The showcase pages of `test-page --all-features`: every drawing and document feature of
// the writer on a few pages, for checking viewers and printers.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "pdf/test_page.h"

namespace kaveltar {

namespace {

void Heading(PdfDocument& doc, double y, const std::string& text) {
  doc.SetColorText("NAVY");
  doc.SetFont("Arial", 14, 1);
  doc.DrawText(1.5, y, text);
  doc.SetColorText("BLACK");
  doc.SetFont("Arial", 9, 0);
}

void Caption(PdfDocument& doc, double x, double y, const std::string& text) {
  doc.SetFont("Arial", 8, 2);
  doc.DrawText(x, y, text);
  doc.SetFont("Arial", 9, 0);
}

// Page 1: outline, links, notes, a form with scripts.
void InteractivePage(PdfDocument& doc) {
  doc.AddBookmark("Collegamenti, note e moduli", "/XYZ", {0, 0, 0, 0});
  doc.DefineRef("moduli", "/FitH", {0, 12, 0, 0});
  Heading(doc, 2, "KAVELTAR - tutte le funzioni del PDF");
  doc.SetFont("Arial", 9, 0);
  doc.DrawTextBox(1.5, 2.4, 17.5, 1.5,
                  "Questo documento mostra ogni funzione dello scrittore PDF: segnalibri, "
                  "collegamenti, note, campi di modulo con script, sfumature, motivi, codici a "
                  "barre, assi trasformati, tabelle, livelli, oggetti riutilizzati, etichette "
                  "delle pagine e transizioni.");

  Heading(doc, 4.5, "Collegamenti");
  const char* const links[][2] = {
      {"https://www.example.com/kaveltar", "Sito web (https://)"},
      {"mailto:ufficio.paghe@example.com", "Posta elettronica (mailto:)"},
      {"#moduli", "Vai ai campi del modulo (destinazione con nome)"},
      {"#barre", "Vai ai codici a barre (pagina 2)"},
      {"javascript:app.alert('Ciao da KAVELTAR');", "Esegui uno script"},
      {"layer:Griglia", "Mostra o nasconde il livello \"Griglia\" (pagina 3)"}};
  double y = 5.3;
  for (const auto& link : links) {
    doc.SetColorText("BLUE");
    doc.SetFont("Arial", 10, 4);
    doc.DrawText(1.8, y, link[1]);
    doc.LinkTo({1.8, y - 0.4, doc.TextLength(link[1]), 0.5}, link[0]);
    y += 0.7;
  }
  doc.SetColorText("BLACK");
  doc.SetFont("Arial", 9, 0);

  Heading(doc, 10, "Note");
  doc.AddNoteBox({1.8, 10.4, 8, 1.2}, "Nota in un riquadro: testo libero sulla pagina.", 0);
  const char* const icons[] = {"Note", "Comment",   "Help",        "Insert",
                               "Key",  "Paragraph", "NewParagraph"};
  double x = 11;
  for (const char* icon : icons) {
    doc.AddNoteIcon(x, 10.5, std::string("Nota con l'icona ") + icon, icon);
    x += 1.2;
  }

  Heading(doc, 12.8, "Campi di modulo");
  doc.AddBookmark("Campi del modulo", "/FitH", {0, 12, 0, 0}, 1);
  const char* const labels[] = {"Cognome", "Ore ordinarie", "Ore straordinarie", "Totale ore",
                                "Reparto", "Turni",         "Presente"};
  y = 13.8;
  for (const char* label : labels) {
    doc.DrawText(1.8, y, label);
    y += 1;
  }
  doc.AddField(0, "cognome", {5.5, 13.3, 6, 0.7}, "ROSSI");
  doc.AddField(0, "ordinarie", {5.5, 14.3, 3, 0.7}, "160");
  doc.AddField(0, "straordinarie", {5.5, 15.3, 3, 0.7}, "12");
  doc.AddField(0, "totale", {5.5, 16.3, 3, 0.7}, "172", 1);
  doc.AddField(3, "reparto", {5.5, 17.3, 5, 0.7}, "Amministrazione;Produzione;Magazzino");
  doc.AddField(4, "turni", {5.5, 18.3, 5, 1.6}, "Mattina;Pomeriggio;Notte");
  doc.AddField(2, "presente", {5.5, 20.1, 0.6, 0.6}, "", 4);
  doc.AddField(1, "calcola", {12, 16.3, 3, 0.7}, "Ricalcola");
  doc.OnFieldEvent("CALCULATE", "totale",
                   "event.value = Number(this.getField('ordinarie').value) + "
                   "Number(this.getField('straordinarie').value);");
  doc.OnFieldEvent("KEYSTROKE", "ordinarie", "AFNumber_Keystroke(0, 0, 0, 0, '', true);");
  doc.OnFieldEvent("MOUSEUP", "calcola", "this.calculateNow();");
  doc.OnDocEvent(0, "console.println('Documento di prova KAVELTAR aperto');");
  doc.OnDocEvent(4, "console.println('Stampa del documento di prova');");
  Caption(doc, 1.8, 22,
          "\"Totale ore\" si calcola da solo (script del campo); \"Ordinarie\" "
          "accetta solo numeri.");
}

// Page 2: gradients, a tiling pattern, barcodes.
void PaintPage(PdfDocument& doc) {
  doc.AddBookmark("Sfumature, motivi e codici a barre", "/XYZ", {0, 0, 0, 0});
  doc.DefineRef("barre", "/XYZ", {0, 12, 0, 0});
  Heading(doc, 2, "Sfumature e motivi");
  doc.AddGradient("sfumatura", 0, 1.5, 0, 9.5, 0, "NAVY", "LIGHTBLUE");
  doc.AddGradient("sole", 1, 14, 5, 14, 5, "YELLOW", "ORANGE", 0.2, 2.5);
  doc.BeginTiling("quadretti", 0.5, 0.5);
  doc.SetColorFill("LIGHTYELLOW");
  doc.DrawRect(0, 0, 0.5, 0.5, 5);
  doc.SetColorFill("TOMATO");
  doc.DrawCircle(0.25, 0.25, 0.15, 5);
  doc.EndTiling();
  doc.SetLineWidth(0.02);
  doc.SetColorFill("sfumatura");
  doc.DrawRect(1.5, 2.6, 8, 4, 4);
  doc.SetColorFill("sole");
  doc.DrawCircle(14, 5, 2.5, 4);
  doc.SetColorFill("quadretti");
  doc.DrawRect(1.5, 8, 17.5, 1.8, 4, 0.4);
  doc.SetColorFill("BLACK");
  Caption(doc, 1.5, 10.5, "Sfumatura lineare, sfumatura radiale, motivo a piastrelle.");

  Heading(doc, 12, "Codici a barre");
  struct Sample {
    int type;
    const char* code;
    const char* name;
  };
  const Sample samples[] = {
      {0, "400638133393", "EAN-13"},       {1, "9638507", "EAN-8"},
      {2, "03600029145", "UPC-A"},         {3, "KAVELTAR-39", "Code 39"},
      {4, "Presenze 2026/01", "Code 128"}, {5, "1234567890", "Interleaved 2 of 5"}};
  double y = 12.8;
  for (size_t i = 0; i < 6; ++i) {
    const double x = i % 2 == 0 ? 2.5 : 11.5;
    doc.DrawText(x, y, samples[i].name);
    doc.DrawBarCode(samples[i].type, samples[i].code, x, y + 0.4, true, 1, 2);
    if (i % 2 == 1) y += 4.2;
  }
}

// Page 3: transformed axes, a table, layers, a replayed object.
void StructurePage(PdfDocument& doc) {
  doc.AddBookmark("Assi, tabelle, livelli e oggetti", "/XYZ", {0, 0, 0, 0});
  Heading(doc, 2, "Assi trasformati");
  const char* const names[] = {"rotazione 30 gradi", "scala 1,5 x 0,8", "inclinazione 20 gradi",
                               "spostamento"};
  const double lefts[] = {2, 6.3, 12.2, 16.2};
  for (int i = 0; i < 4; ++i) {
    doc.BeginSpace(lefts[i], 4.2);
    switch (i) {
      case 0:
        doc.AxisRotation(30);
        break;
      case 1:
        doc.AxisScaling(1.5, 0.8);
        break;
      case 2:
        doc.AxisSkewing(20, 0);
        break;
      default:
        doc.AxisTranslation(0.5, 0.5);
        break;
    }
    doc.SetColorFill("LIGHTGREEN");
    doc.DrawRect(0, 0, 3.3, 1.5, 4);
    doc.DrawText(0.1, 0.9, names[i]);
    doc.EndSpace();
  }

  Heading(doc, 7.5, "Tabella");
  doc.SetFont("Courier New", 9, 0);
  doc.BeginTable(1.5, 8, 0.02);
  const char* const rows[][4] = {{"DIPENDENTE", "ORE", "GIUST.", "NOTE"},
                                 {"ROSSI MARIO", "168:00", "FE", "-"},
                                 {"BIANCHI ANNA", "152:30", "MA", "certificato"},
                                 {"VERDI LUCA", "160:00", "PE", "turno B"}};
  const double widths[] = {5, 2.5, 2.5, 6};
  for (const auto& row : rows) {
    doc.BeginRow(0.7);
    for (int c = 0; c < 4; ++c) {
      doc.BeginColumn(widths[c]);
      doc.DrawText(0.15, 0.48, row[c]);
      doc.EndColumn();
    }
    doc.EndRow();
  }
  doc.EndTable();
  doc.SetFont("Arial", 9, 0);

  Heading(doc, 12, "Livelli");
  doc.BeginLayer("Griglia");
  doc.SetColorLine("SILVER");
  for (int i = 0; i <= 10; ++i) doc.DrawLine(1.5 + i * 1.7, 12.5, 1.5 + i * 1.7, 15.5);
  doc.EndLayer();
  doc.SetColorLine("BLACK");
  doc.BeginLayer("SCREEN");
  doc.DrawText(1.8, 13.5, "Questa riga si vede sullo schermo e non si stampa (SCREEN).");
  doc.EndLayer();
  doc.BeginLayer("PRINTER");
  doc.DrawText(1.8, 14.5, "Questa riga si stampa e non si vede sullo schermo (PRINTER).");
  doc.EndLayer();

  Heading(doc, 17, "Oggetto riutilizzato");
  doc.BeginObject("timbro");
  doc.SetLineWidth(0.05);
  doc.SetColorLine("MAROON");
  doc.DrawRect(0, 0, 3.5, 1.4, 0, 0.3);
  doc.SetColorText("MAROON");
  doc.SetFont("Times New Roman", 11, 1);
  doc.DrawText(0.3, 0.9, "VISTO - PAGHE");
  doc.EndObject();
  for (int i = 0; i < 4; ++i) doc.PlayObject("timbro", 1.5 + i * 4.3, 17.6);
  doc.SetColorText("BLACK");
  doc.SetColorLine("BLACK");
  doc.SetFont("Arial", 9, 0);
  Caption(doc, 1.5, 19.8, "Lo stesso timbro disegnato quattro volte da un solo oggetto.");
}

// ----- Small picture files made on the spot for the page of outside files -----

void Put16(std::string* out, int v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string* out, uint32_t v) {
  Put16(out, static_cast<int>(v & 0xFFFF));
  Put16(out, static_cast<int>(v >> 16));
}

// A 40 x 40 GIF with four palette colours: a red disc in a blue ring on a transparent
// background (index 0). Its LZW data uses 3-bit codes only: a clear code before every
// two pixels keeps the code table from growing.
std::string MakeGif() {
  constexpr int kSize = 40;
  std::string out = "GIF89a";
  Put16(&out, kSize);
  Put16(&out, kSize);
  out += std::string("\x91\x00\x00", 3);  // a 4-colour global table
  out += std::string("\xFF\xFF\xFF\xE0\x20\x20\x20\x40\xC0\x00\x00\x00", 12);
  out += std::string("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);  // index 0 is transparent
  out += std::string("\x2C\x00\x00\x00\x00", 5);
  Put16(&out, kSize);
  Put16(&out, kSize);
  out += std::string("\x00\x02", 2);  // no local table, minimum code size 2
  std::string codes;
  uint32_t bits = 0;
  int count = 0;
  auto code = [&](int value) {
    bits |= static_cast<uint32_t>(value) << count;
    count += 3;
    while (count >= 8) {
      codes.push_back(static_cast<char>(bits & 0xFF));
      bits >>= 8;
      count -= 8;
    }
  };
  int in_pair = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (in_pair == 0) code(4);
      const double d = std::hypot(x - 19.5, y - 19.5);
      code(d < 12 ? 1 : d < 18 ? 2 : 0);
      in_pair = (in_pair + 1) % 2;
    }
  }
  code(5);
  if (count > 0) codes.push_back(static_cast<char>(bits & 0xFF));
  for (size_t at = 0; at < codes.size(); at += 255) {
    const size_t n = std::min<size_t>(255, codes.size() - at);
    out.push_back(static_cast<char>(n));
    out += codes.substr(at, n);
  }
  out += std::string("\x00\x3B", 2);
  return out;
}

// A 64 x 32 uncompressed 24-bit TGA, top row first: a colour ramp.
std::string MakeTga() {
  std::string out(18, '\0');
  out[2] = 2;
  out[12] = 64;
  out[14] = 32;
  out[16] = 24;
  out[17] = 0x20;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      out.push_back(static_cast<char>(255 - y * 8));  // blue, green, red
      out.push_back(static_cast<char>(x * 4));
      out.push_back(static_cast<char>(200));
    }
  }
  return out;
}

// A placeable WMF, 2 x 1 inches: a yellow rectangle, a green ellipse and a red triangle.
std::string MakeWmf() {
  std::string records;
  auto record = [&](int function, std::initializer_list<int> params) {
    Put32(&records, static_cast<uint32_t>(3 + params.size()));
    Put16(&records, function);
    for (int p : params) Put16(&records, p);
  };
  record(0x02FC, {0, 0xE0 | (0xE0 << 8), 0x40, 0});  // brush: colour 0x40E0E0 (r g b 0)
  record(0x012D, {0});
  record(0x02FA, {0, 3, 0, 0x40 << 8, 0});  // pen 3 units, colour 0 64 0
  record(0x012D, {1});
  record(0x041B, {90, 190, 10, 10});  // rectangle: bottom right top left
  record(0x02FC, {0, 0x60 | (0xC0 << 8), 0x60, 0});
  record(0x012D, {2});
  record(0x0418, {80, 100, 20, 20});  // ellipse
  record(0x02FC, {0, 0xD0, 0x30, 0});
  record(0x012D, {3});
  record(0x0324, {3, 120, 80, 180, 80, 150, 20});  // polygon
  record(0x0000, {});

  std::string out;
  Put32(&out, 0x9AC6CDD7);
  Put16(&out, 0);
  for (int v : {0, 0, 200, 100}) Put16(&out, v);
  Put16(&out, 100);  // units per inch
  Put32(&out, 0);
  int checksum = 0;
  for (size_t i = 0; i < out.size(); i += 2) {
    checksum ^= static_cast<uint8_t>(out[i]) | static_cast<uint8_t>(out[i + 1]) << 8;
  }
  Put16(&out, checksum);
  Put16(&out, 1);
  Put16(&out, 9);
  Put16(&out, 0x0300);
  Put32(&out, static_cast<uint32_t>(9 + records.size() / 2));
  Put16(&out, 4);
  Put32(&out, 10);
  Put16(&out, 0);
  return out + records;
}

std::string MakeEps() {
  return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 120 80\n"
         "0.2 0.3 0.7 setrgbcolor newpath 10 10 moveto 110 10 lineto 60 75 lineto closepath fill\n"
         "1 0.8 0 setrgbcolor newpath 60 30 moveto 20 0 rlineto 0 20 rlineto -20 0 rlineto "
         "closepath gsave fill grestore 0 setgray 2 setlinewidth stroke\n"
         "0 0 0 1 setcmykcolor 1 setlinewidth newpath 5 5 moveto 40 70 80 -20 115 75 curveto "
         "stroke\nshowpage\n";
}

// Page 4: a TrueType font, an imported page and the picture formats read from files.
void OutsideFilesPage(PdfDocument& doc, const std::filesystem::path& folder) {
  doc.AddBookmark("Caratteri, pagine e immagini da file", "/XYZ", {0, 0, 0, 0});
  Heading(doc, 2, "Carattere TrueType incorporato");
  std::string family;
  for (const char* file : {"/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf",
                           "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf"}) {
    if (std::filesystem::exists(file)) family = doc.AddFont(file);
    if (!family.empty() && doc.ErrNumber() == 0) break;
    family.clear();
  }
  if (!family.empty()) {
    doc.SetFont(family, 16, 0);
    doc.DrawText(1.5, 3, "Liberation Serif: àèéìòù - Foglio presenze € 2026");
    doc.SetFont("Arial", 9, 0);
  } else {
    doc.DrawText(1.5, 3, "(Liberation Serif non è installato: pacchetto fonts-liberation2)");
  }

  const auto write = [&](const char* name, const std::string& bytes) {
    std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  };
  Heading(doc, 5, "Immagini e disegni");
  const struct {
    const char* name;
    std::string bytes;
    const char* caption;
  } pictures[] = {{"ruota.gif", MakeGif(), "GIF trasparente"},
                  {"rampa.tga", MakeTga(), "TGA a 24 bit"},
                  {"forme.wmf", MakeWmf(), "metafile WMF"},
                  {"forme.eps", MakeEps(), "disegno EPS"}};
  double x = 1.5;
  for (const auto& picture : pictures) {
    // A grey band behind shows what is transparent.
    doc.SetColorFill("%10");
    doc.DrawRect(x, 5.5, 4, 0.8, 5);
    doc.DrawImage(write(picture.name, picture.bytes), x, 5.5, 4, 3, 0);
    Caption(doc, x, 9, picture.caption);
    x += 4.4;
  }

  Heading(doc, 11, "Pagina importata");
  TestPageOptions sheet;
  sheet.output_path = (folder / "foglio.pdf").string();
  std::string error;
  if (WriteTestPagePdf(sheet, &error) == 0) {
    doc.SetLineWidth(0.02);
    doc.DrawRect(1.5, 11.5, 10, 14.1);
    doc.ImportPage(sheet.output_path, 1, 1.5, 11.5, 10, 0);
    Caption(doc, 12, 12, "Il foglio presenze di esempio, letto da un altro");
    Caption(doc, 12, 12.5, "file PDF e disegnato a metà grandezza.");
  }
}

}  // namespace

void DrawFeaturePages(PdfDocument& doc) {
  doc.SetLabel(3, "Funzioni-", 1);
  doc.BeginPage();
  doc.SetPageTransition(4, 0, 1);
  InteractivePage(doc);
  doc.BeginPage();
  doc.SetPageTransition(2, 0, 1);
  PaintPage(doc);
  doc.BeginPage();
  doc.SetPageTransition(5, 0, 1);
  StructurePage(doc);
  // The outside files live in a folder of their own until the pages are drawn.
  std::error_code ignored;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path(ignored) /
      ("kaveltar-vetrina-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(folder, ignored);
  doc.BeginPage();
  doc.SetPageTransition(1, 0, 1);
  OutsideFilesPage(doc, folder);
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace kaveltar
