// The error table: the Italian descriptions the operator reads, and the one mapping of a
// failed database call to the program's error.
#include "base/run_time_error.h"

#include <gtest/gtest.h>

namespace kaveltar {
namespace {

TEST(RunTimeErrorTest, ItalianDescriptionThenTheDetail) {
  const RunTimeError with_path(RunTimeError::kFileNotFound, "/archivi/DIPEND.DAT");
  EXPECT_EQ(with_path.number(), 53);
  EXPECT_EQ(with_path.description(), "Impossibile trovare il file: /archivi/DIPEND.DAT");
  // A number outside the table still reads in Italian.
  EXPECT_EQ(RunTimeErrorText(12345), "Errore definito dall'applicazione o dall'oggetto");
}

TEST(RunTimeErrorTest, OneNumberForEachKindOfDatabaseFailure) {
  const RunTimeError failed = DatabaseError(Status::DbError("database is locked"), "PRESENZE");
  EXPECT_EQ(failed.number(), 3146);
  // The engine's message comes after the Italian text, never in its place.
  EXPECT_EQ(failed.description(), "ODBC: chiamata non riuscita. PRESENZE - database is locked");

  const RunTimeError damaged = DatabaseError(Status::Corrupt("malformed"), {});
  EXPECT_EQ(damaged.number(), 3049);
  EXPECT_EQ(damaged.description().rfind("Impossibile aprire il database.", 0), 0u)
      << damaged.description();
  EXPECT_NE(damaged.description().find("danneggiato. malformed"), std::string::npos);

  EXPECT_EQ(DatabaseError(Status::NotFound("QXPRES.sqlite"), {}).description(),
            "Impossibile trovare il file: QXPRES.sqlite");
  EXPECT_THROW(ThrowDatabaseError(Status::IoError("disk"), "GRUPPI"), RunTimeError);
}

}  // namespace
}  // namespace kaveltar
