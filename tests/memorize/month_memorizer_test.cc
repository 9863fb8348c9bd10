// Month memorization on a demo installation: the days written for each kind of employee, the
// employment period, earlier years, patron days, anomalies, existing months, the rotation and
// its write-back, and that a killed run never leaves half an employee-month.
#include "memorize/month_memorizer.h"
#include "common/killing_db.h"

#include <signal.h>

#include <map>
#include <tuple>

#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

// The employee excluded from memorization is the command line test's.
TEST_F(MemorizeTest, WritesEveryDayFromTheScheduleAndTheEmploymentPeriod) {
  const std::string profile = Key(DemoCase::kProfile);
  const std::string hired = Key(DemoCase::kHiredMidMonth);
  const std::string leaving = Key(DemoCase::kLeavingMidMonth);
  EXPECT_TRUE(Run(Month(kYear, 3), {profile, hired, leaving}).empty());
  EXPECT_EQ(totals_.written, 3);

  // March 2014: Monday 3rd.
  std::vector<DayRow> rows = Rows(profile, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[2].pres[1], "002");
  EXPECT_EQ(rows[2].pres[2], "07:45");

  // Hired on the 10th: days 1-9 hold only their keys. Leaving on the 20th: so do 21-31.
  for (const auto& [key, first, last] : {std::tuple{hired, 10, 31}, std::tuple{leaving, 1, 20}}) {
    rows = Rows(key, "201403");
    ASSERT_EQ(rows.size(), 31u);
    for (int d = 1; d <= 31; ++d) {
      EXPECT_EQ(rows[static_cast<size_t>(d - 1)].pres[1].empty(), d < first || d > last)
          << key << " " << d;
    }
  }
}

TEST_F(MemorizeTest, AnomaliesAreWordedAndReportedOncePerEmployee) {
  const std::string missing = Key(DemoCase::kMissingGroup);
  const std::string both = Key(DemoCase::kRotationWithProfile);
  EXPECT_EQ(
      Run(Month(kYear, 3), {both, missing, missing}),
      (std::vector<std::string>{
          "Il Dipendente : " + both + " ha codificato sia profili orari che Gruppi orari",
          "Dipendente : " + missing + " Cod.Gruppo in P766 non presente nella tabella GRUPPI"}));
  EXPECT_EQ(totals_.anomalies, 3);  // the repeated employee stops again, without a line
}

TEST_F(MemorizeTest, StoredDaysAreRewrittenOnlyWhenAsked) {
  const std::string key = OrdinaryEmployee(kYear);
  DayRow stored{key, "20140315", 7, {}, 12};
  stored.pres[1] = "XYZ";
  stored.pres[14] = "030";
  stored.pres[15] = "01:00";
  ASSERT_TRUE(session().db().SaveDay(stored).ok());

  // Without options the month is written from day 1 up to its first stored day, which stops
  // it: days 1-14 are added, day 15 stays as stored, days 16-31 are not created.
  Run(Month(kYear, 3), {key});
  EXPECT_EQ(totals_.written, 1);
  std::vector<DayRow> partial = Rows(key, "201403");
  ASSERT_EQ(partial.size(), 15u);
  EXPECT_EQ(partial[13].period, "20140314");
  EXPECT_EQ(partial[14], stored);
  // Run again: day 1 is stored now, so nothing is written.
  Run(Month(kYear, 3), {key});
  EXPECT_EQ(totals_.existing, 1);
  EXPECT_EQ(totals_.days, 0);
  EXPECT_EQ(Rows(key, "201403"), partial);

  MemorizeOptions considera = Month(kYear, 3);
  considera.day.consider_worked_hours = true;
  Run(considera, {key});
  std::vector<DayRow> rows = Rows(key, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[14].pres0, 7);  // rewritten over the stored day, not afresh
  EXPECT_EQ(rows[14].pres[1], "001");

  Run(Month(kYear, 3, true), {key});
  rows = Rows(key, "201403");
  EXPECT_EQ(rows[14].pres0, 0);
  EXPECT_EQ(rows[14].pres[14], "030");
}

TEST_F(MemorizeTest, RotationFollowsTheChangeDayAndIsWrittenBack) {
  const std::string rotating = Key(DemoCase::kRotation2);
  // The demo's employee changes on Mondays (P776 "0") and starts at position 1 (P777).
  const std::string first(Right("000" + Field(rotating, fields::kP766), 3));
  const std::string second(Right("000" + Field(rotating, fields::kP772), 3));
  const std::string group = OrdinaryEmployee(kYear);
  SetField(group, fields::kP777, "004");
  const auto position = [&](const std::string& key) {
    Reopen();  // read again from the archive, by a new session
    return Val(Field(key, fields::kP777));
  };

  // March 2014: Mondays 3, 10, 17, 24, 31.
  Run(Month(kYear, 3), {rotating, group});
  std::vector<DayRow> rows = Rows(rotating, "201403");
  ASSERT_EQ(rows.size(), 31u);
  const std::map<int, std::string> expected = {{1, first},  {2, first},  {3, second},
                                               {9, second}, {10, first}, {17, second},
                                               {24, first}, {31, second}};
  for (const auto& [day, code] : expected)
    EXPECT_EQ(rows[static_cast<size_t>(day - 1)].pres[1], code) << day;
  EXPECT_EQ(position(rotating), 2);
  EXPECT_EQ(position(group), 0);

  // March again without options writes no day, so the rotation stays where March left it
  // (moving it on from 2 would end March on position 1).
  Run(Month(kYear, 3), {rotating});
  EXPECT_EQ(totals_.days, 0);
  EXPECT_EQ(position(rotating), 2);

  // April goes on from there: the second group until Monday 7, when the first comes back.
  // With 10 April already stored, days 1-9 are written and the position written back is
  // the one of 9 April: 1.
  DayRow stored{rotating, "20140410", 0, {}, 0};
  stored.pres[1] = "XYZ";
  ASSERT_TRUE(session().db().SaveDay(stored).ok());
  Run(Month(kYear, 4), {rotating});
  rows = Rows(rotating, "201404");
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[5].pres[1], second);
  EXPECT_EQ(rows[6].pres[1], first);
  EXPECT_EQ(rows[9], stored);
  EXPECT_EQ(position(rotating), 1);
}

// "ERRORE HH:MM" belongs to the conversion of a value a day actually uses: a group nobody
// follows may hold a bad value without a word; once an employee follows it, the value is
// reported as it is met, and counts as no hours.
TEST_F(MemorizeTest, BadHoursAreReportedOnlyForGroupsInUse) {
  GroupRow bad;
  bad.code = "950";
  bad.grup[1] = "ORARIO GUASTO";
  for (size_t w = 2; w <= 8; ++w) bad.grup[w] = "08:00";
  bad.grup[3] = "8.00";  // Tuesday
  ASSERT_TRUE(session().db().SaveGroup(bad).ok());
  const std::string key = OrdinaryEmployee(kYear);
  Run(Month(kYear, 3), {key});
  EXPECT_TRUE(dialogs_.Texts().empty());
  ASSERT_EQ(Rows(key, "201403").size(), 31u);

  SetField(key, fields::kP766, "950");
  Run(Month(kYear, 3, true), {key});
  ASSERT_FALSE(dialogs_.Texts().empty());
  EXPECT_EQ(dialogs_.Texts()[0], "ERRORE HH:MM 8.00");
  const std::vector<DayRow> rows = Rows(key, "201403");
  EXPECT_EQ(rows[3].pres[1], "950");  // Tuesday 4 March
  EXPECT_EQ(rows[3].pres[2], "");
  EXPECT_EQ(rows[2].pres[2], "08:00");
}

// A print storing a sheet number in another process just after "Rielabora" has read the
// month: the number stays, whichever of the two writes first.
TEST_F(MemorizeTest, RewritingAMonthKeepsTheNumberAPrintStoresMeanwhile) {
  const std::vector<std::string> keys = PlainGroupKeys(3);
  Run(Month(kYear, 3), keys);
  const std::string printed = keys[1];
  Reopen();

  // The print runs in its own process, started before this one opens the database, and
  // stores a number on the month's last day once told to on the pipe.
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const pid_t print = Child([&] {
    char go = 0;
    if (::read(pipe_fds[0], &go, 1) != 1) return 2;
    auto own = OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
    if (!own.ok()) return 3;
    Transaction t(**own);
    auto row = (*own)->FindDay(printed, "20140331");
    if (!t.status().ok() || !row.ok() || !*row) return 4;
    (*row)->protocollo = 77;
    return (*own)->SaveDay(**row).ok() && t.Commit().ok() ? 0 : 5;
  });

  auto wrapper = std::make_unique<KillingDb>(OpenOwnDatabase(), 0);
  int status = -1;
  bool signalled = false;
  wrapper->after_month_read = [&](std::string_view employee) {
    if (employee != printed || signalled) return;
    signalled = true;
    if (::write(pipe_fds[1], "x", 1) != 1) return;
    // Give the print time to finish, unless memorization holds the database meanwhile.
    for (int i = 0; i < 100 && ::waitpid(print, &status, WNOHANG) != print; ++i) ::usleep(5000);
  };
  session().AttachDatabase(std::move(wrapper));
  MonthMemorizer(session().job(), Month(kYear, 3, true)).ELABORADIPENDENTI(keys);
  ASSERT_TRUE(signalled);
  if (status == -1) status = WaitStatus(print);
  ::close(pipe_fds[0]);
  ::close(pipe_fds[1]);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::vector<DayRow> rows = Rows(printed, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[30].protocollo, 77);
}

TEST_F(MemorizeTest, AKilledRunLeavesNoHalfMonth) {
  const std::vector<std::string> keys = PlainGroupKeys(4);
  Reopen();
  // The child memorizes in batches and is killed in the middle of the third employee's month.
  // Each saved day takes 7 ms, so each employee-month (217 ms) outlasts the batch bound and
  // ends its batch: the first two are committed before the kill.
  const int status = WaitStatus(Child([&] {
    session().AttachDatabase(
        std::make_unique<KillingDb>(OpenOwnDatabase(), 2 * 31 + 15, std::chrono::milliseconds(7)));
    MonthMemorizer(session().job(), Month(kYear, 3)).ELABORADIPENDENTI(keys);
    return 0;
  }));
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_EQ(Rows(keys[0], "201403").size(), 31u);
  EXPECT_EQ(Rows(keys[1], "201403").size(), 31u);
  EXPECT_TRUE(Rows(keys[2], "201403").empty());
  EXPECT_TRUE(Rows(keys[3], "201403").empty());
  // The next run completes the month of the employee that was cut short.
  Run(Month(kYear, 3), keys);
  EXPECT_EQ(totals_.existing, 2);
  EXPECT_EQ(totals_.written, 2);
}

}  // namespace
}  // namespace kaveltar::testing
