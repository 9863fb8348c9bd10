#include "archive/field_codec.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "archive/fields.h"
#include "base/fatal.h"

namespace kaveltar {
namespace {

class FieldCodecTest : public ::testing::Test {
 protected:
  RecordingDialogs dialogs_;
  FieldCodec codec_{dialogs_};
};

TEST_F(FieldCodecTest, ReadsEachType) {
  struct Case {
    const char* descriptor;
    const char* stored;  // at position 2 of the record
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"DIPX$,00002,03,N,0,P900", "0-5", "-005", -5},
      {"DIPX$,00002,05,2,0,P900", "01250", "012.50", 12.5},
      {"DIPX$,00002,05,2,0,P900", "     ", "   .  ", 0},
      {"DIPX$,00002,08,D,0,P900", "15062025", "15062025", 15062025},
      {"DIPX$,00002,05,A,0,P900", "AB, C", "AB, C", 0},
  };
  for (const Case& c : cases) {
    const std::string record = std::string("X") + c.stored + "YYYY";
    EXPECT_EQ(codec_.GetField(c.descriptor, 0, record), c.text) << c.descriptor << c.stored;
    EXPECT_DOUBLE_EQ(codec_.GetFieldValue(c.descriptor, 0, record), c.value) << c.stored;
  }
  // A record that ends inside the field gives what there is.
  EXPECT_EQ(codec_.GetField("DIPX$,00002,05,A,0,P900", 0, "XAB"), "AB");
  EXPECT_EQ(codec_.GetField("DIPX$,00009,05,A,0,P900", 0, "XAB"), "");
}

TEST_F(FieldCodecTest, WritesEachType) {
  struct Case {
    const char* descriptor;
    const char* value;
    const char* stored;
  };
  const Case cases[] = {
      {"DIPX$,00002,05,2,0,P900", "12,5", "01250"},
      {"DIPX$,00002,05,2,0,P900", "-3", "-0300"},
      {"DIPX$,00002,05,2,0,P900", "1E+02", "10000"},
      {"DIPX$,00002,05,A,0,P900", "ABCDEFG", "ABCDE"},
      {"DIPX$,00002,05,N,0,P900", "-42", "-0042"},
      {"DIPX$,00002,08,D,0,P900", "1062025", "01062025"},
  };
  for (const Case& c : cases) {
    std::string record(12, '.');
    codec_.PutField(c.descriptor, c.value, 0, &record);
    EXPECT_EQ(record.substr(1, std::string_view(c.stored).size()), c.stored) << c.value;
    EXPECT_EQ(record.size(), 12u);
  }
  // A record shorter than the field is written as far as it reaches, never lengthened.
  std::string short_record = "XY";
  codec_.PutField("DIPX$,00002,05,A,0,P900", "ABCDE", 0, &short_record);
  EXPECT_EQ(short_record, "XA");
}

TEST_F(FieldCodecTest, PutFieldValueWritesLocaleFreeDecimals) {
  struct Case {
    const char* descriptor;
    double value;
    const char* stored;
  };
  const Case cases[] = {
      {"DIPX$,00001,07,2,0,P900", 1234.565, "0123457"},
      {"DIPX$,00001,05,2,0,P900", 0.1 + 0.2, "00030"},
      {"DIPX$,00001,05,N,0,P900", -0.0, "00000"},
  };
  // Under a comma-decimal locale the text must still be written with ".".
  const char* italian = std::setlocale(LC_ALL, "it_IT.UTF-8");
  for (const Case& c : cases) {
    std::string record(22, ' ');
    codec_.PutFieldValue(c.descriptor, c.value, 0, &record);
    EXPECT_EQ(record.substr(0, std::string_view(c.stored).size()), c.stored) << c.value;
  }
  EXPECT_DOUBLE_EQ(codec_.GetFieldValue("DIPX$,00001,05,2,0,P900", 0, "01250"), 12.5);
  if (italian != nullptr) std::setlocale(LC_ALL, "C");
}

TEST_F(FieldCodecTest, CurrentRecordsAndUnknownRepositories) {
  codec_.SetCurrentRecord("DIPX$", std::string(20, ' '));
  codec_.PutField(fields::kP001, "0070010001");
  EXPECT_EQ(codec_.GetField(fields::kP001), "0070010001");
  EXPECT_EQ(codec_.CurrentRecord("DIPX$").size(), 20u);
  EXPECT_EQ(codec_.GetField(fields::kT001), "");  // DITX$ has no record yet

  // An unknown prefix ends the program, but only where a current record is needed.
  try {
    codec_.CurrentRecord("QQQX$");
    ADD_FAILURE() << "no Fatal";
  } catch (const Fatal& e) {
    EXPECT_EQ(e.text(), "ERRORE REPOSITORY - STRCOSTANTE");
  }
  EXPECT_EQ(codec_.GetField("XYZX$,00001,02,A,0,X001", 0, "AB"), "AB");
}

TEST_F(FieldCodecTest, RepeatOffsetWindowBoundaries) {
  struct Window {
    const char* repository;
    int first, last, unit;
  };
  // One window of each shape: open-ended, a range, a single position, a repeated block.
  const Window windows[] = {{"DICX$", 101, 99999, 10},
                            {"CONX$", 101, 390, 290},
                            {"F24X$", 5000, 5000, 4},
                            {"F24X$", 1077 + 152 * 20, 1100 + 152 * 20, 35}};
  auto offset = [&](const char* repository, int position, int occurrence) {
    char d[32];
    std::snprintf(d, sizeof d, "%s,%05d,02,N,0,A001", repository, position);
    return codec_.RepeatOffset(d, occurrence);
  };
  for (const Window& w : windows) {
    const std::string what = std::string(w.repository) + " " + std::to_string(w.first);
    EXPECT_EQ(offset(w.repository, w.first - 1, 2), 0) << what;
    EXPECT_EQ(offset(w.repository, w.first, 3), 2 * w.unit) << what;
    EXPECT_EQ(offset(w.repository, w.last, 2), w.unit) << what;
    if (w.last < 99999) {
      EXPECT_EQ(offset(w.repository, w.last + 1, 2), 0) << what;
    }
    EXPECT_EQ(offset(w.repository, w.first, 1), 0) << what;
    EXPECT_EQ(offset(w.repository, w.first, 0), 0) << what;
  }
  EXPECT_EQ(offset("DIPX$", 200, 5), 0);
  EXPECT_EQ(codec_.RepeatOffset("DI2X$,00005,02,N,0,I100", 2), 714);
  EXPECT_EQ(codec_.RepeatOffset("DI2X$,00005,02,N,0,I099", 2), 0);
  EXPECT_TRUE(dialogs_.entries().empty());

  // A DI2X$ descriptor without its letter: message, offset 0, and the read goes on.
  EXPECT_EQ(codec_.GetField("DI2X$,00001,02,A,0,J100", 2, "ABCD"), "AB");
  ASSERT_EQ(dialogs_.Texts(), std::vector<std::string>{"ERRORE REPOSITORY - LETTERA SCONOSCIUTA"});
}

}  // namespace
}  // namespace kaveltar
