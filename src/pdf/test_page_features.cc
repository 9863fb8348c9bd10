// The showcase pages of `test-page --all-features`: every drawing and document feature of
// the writer on a few pages, for checking viewers and printers.
#include <cstdio>
#include <string>

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
  doc.DrawTextBox(1.5, 2.4, 17.5, 1.5, "Questo documento mostra ogni funzione dello scrittore PDF: segnalibri, "
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
  const char* const icons[] = {"Note", "Comment", "Help", "Insert", "Key", "Paragraph",
                               "NewParagraph"};
  double x = 11;
  for (const char* icon : icons) {
    doc.AddNoteIcon(x, 10.5, std::string("Nota con l'icona ") + icon, icon);
    x += 1.2;
  }

  Heading(doc, 12.8, "Campi di modulo");
  doc.AddBookmark("Campi del modulo", "/FitH", {0, 12, 0, 0}, 1);
  const char* const labels[] = {"Cognome", "Ore ordinarie", "Ore straordinarie", "Totale ore",
                                "Reparto", "Turni", "Presente"};
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
  Caption(doc, 1.8, 22, "\"Totale ore\" si calcola da solo (script del campo); \"Ordinarie\" "
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
  const Sample samples[] = {{0, "400638133393", "EAN-13"},
                            {1, "9638507", "EAN-8"},
                            {2, "03600029145", "UPC-A"},
                            {3, "KAVELTAR-39", "Code 39"},
                            {4, "Presenze 2026/01", "Code 128"},
                            {5, "1234567890", "Interleaved 2 of 5"}};
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
      case 0: doc.AxisRotation(30); break;
      case 1: doc.AxisScaling(1.5, 0.8); break;
      case 2: doc.AxisSkewing(20, 0); break;
      default: doc.AxisTranslation(0.5, 0.5); break;
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
}

}  // namespace kaveltar
