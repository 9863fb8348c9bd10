// The start-up question of an office that comes from the previous program: when the archive
// folder holds its attendance database (QXPRES.MDB) and ours does not exist yet, the program
// offers to import it, runs the import with a progress panel and shows the counts.
#pragma once

#include <filesystem>
#include <optional>

class QWidget;

namespace kaveltar {
class Session;
struct StartupOptions;
}  // namespace kaveltar

namespace kaveltar::ui {

// Before start-up (which creates our database from the template): the previous program's
// database to offer, when the installation's archive folder holds one and has no database of
// ours yet. With a PostgreSQL database the file is offered and the question is asked only
// when the database holds no day (checked after start-up).
std::optional<std::filesystem::path> PreviousDatabaseToOffer(const StartupOptions& options);

// After start-up: asks whether to import `file`; on Yes imports it into the session's
// database with a progress panel and shows the rows read and written (or the error).
// Returns true when the import was done.
bool OfferPreviousDatabase(Session& session, const std::filesystem::path& file, QWidget* parent);

}  // namespace kaveltar::ui
