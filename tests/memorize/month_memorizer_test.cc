// Month memorization on a demo installation: the days written for each kind of employee,
// holidays, the employment period, anomalies, existing months, the rotation and its
// write-back, and that a killed run never leaves half an employee-month.
#include "common/killing_db.h"
#include "memorize/month_memorizer.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>

#include "base/dates.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

// The hours of `day` in the stored month (PRES_2), by day number.
std::string Theoretical(const std::vector<DayRow>& rows, int day) {
  for (const DayRow& r : rows) {
    if (ValInt(r.period.substr(6)) == day) return r.pres[2];
  }
  return "<missing>";
}

bool EmptyDay(const DayRow& row) {
  for (int n = 1; n <= 13; ++n) {
    if (!row.pres[static_cast<size_t>(n)].empty()) return false;
  }
  return row.pres0 == 0;
}

TEST_F(MemorizeTest, WritesEveryDayFromTheScheduleAndTheEmploymentPeriod) {
  const std::string group = Key(DemoCase::kGroup);
  const std::string profile = Key(DemoCase::kProfile);
  const std::string hired = Key(DemoCase::kHiredMidMonth);
  const std::string leaving = Key(DemoCase::kLeavingMidMonth);
  const std::string excluded = Key(DemoCase::kExcluded);
  EXPECT_TRUE(Run(Month(kYear, 3), {group, profile, hired, leaving, excluded, "9999999999"}).empty());
  EXPECT_EQ(totals_.written, 4);
  EXPECT_EQ(totals_.skipped, 2);

  // March 2014: Saturday 1st, Monday 3rd; 17 March is a holiday only in 2011.
  const std::string code = Field(group, fields::kP766);
  auto g = session().db().FindGroup(code);
  ASSERT_TRUE(g.ok() && *g);
  std::vector<DayRow> rows = Rows(group, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[4].period, "20140305");
  EXPECT_EQ(rows[4].employee, group);
  EXPECT_EQ(rows[2].pres[1], code);
  EXPECT_EQ(Theoretical(rows, 3), (*g)->grup[2] == "00:00" ? "" : (*g)->grup[2]);
  EXPECT_EQ(Theoretical(rows, 17), Theoretical(rows, 3));
  EXPECT_EQ(rows[2].pres[3], rows[2].pres[2]);
  EXPECT_EQ(Theoretical(rows, 2), (*g)->grup[8] == "00:00" ? "" : (*g)->grup[8]);

  rows = Rows(profile, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[2].pres[1], "002");
  EXPECT_EQ(rows[2].pres[2], "07:45");

  // Hired on the 10th: days 1-9 hold only their keys.
  rows = Rows(hired, "201403");
  ASSERT_EQ(rows.size(), 31u);
  for (int d = 0; d < 9; ++d) EXPECT_TRUE(EmptyDay(rows[static_cast<size_t>(d)])) << d + 1;
  EXPECT_FALSE(rows[9].pres[1].empty());

  // Leaving on the 20th: the days after it are empty.
  rows = Rows(leaving, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_FALSE(rows[19].pres[1].empty());
  for (int d = 20; d < 31; ++d) EXPECT_TRUE(EmptyDay(rows[static_cast<size_t>(d)])) << d + 1;

  EXPECT_TRUE(Rows(excluded, "201403").empty());
  EXPECT_TRUE(Rows("9999999999", "201403").empty());
  EXPECT_TRUE(dialogs_.entries().empty());
}

TEST_F(MemorizeTest, MonthLengthsAndEarlierYears) {
  const std::string key2012 = OrdinaryEmployee(2012);
  const std::string key2011 = OrdinaryEmployee(2011);
  EXPECT_TRUE(Run(Month(2012, 2), {key2012}).empty());
  EXPECT_EQ(Rows(key2012, "201202").size(), 29u);
  const std::string group = Key(DemoCase::kGroup);
  EXPECT_TRUE(Run(Month(2014, 2), {group}).empty());
  EXPECT_EQ(Rows(group, "201402").size(), 28u);

  // 17 March 2011 (a Thursday) is a holiday; the Wednesday before is not.
  EXPECT_TRUE(Run(Month(2011, 3), {key2011}).empty());
  const std::vector<DayRow> rows = Rows(key2011, "201103");
  EXPECT_EQ(Theoretical(rows, 16), "08:00");
  EXPECT_EQ(Theoretical(rows, 17), "");

  // Four years back there is no employee archive for memorization: nothing is written.
  const std::string key2010 = session().lists().extraction().front();
  Run(Month(2010, 3), {key2010});
  EXPECT_TRUE(Rows(key2010, "201003").empty());
  EXPECT_EQ(totals_.skipped, 1);
}

TEST_F(MemorizeTest, PatronDaysAreReadAsDayAndMonth) {
  // The office's municipality keeps 8 September (F161 "0809"): Monday 8 September 2014 is a
  // holiday for everybody, Tuesday 9 September is not.
  const std::string first = OrdinaryEmployee(kYear);
  std::string other;
  for (const std::string& key : report_.Keys(DemoCase::kGroup)) {
    if (key.substr(0, 3) != first.substr(0, 3) && Field(key, fields::kP766) == "001") other = key;
  }
  ASSERT_FALSE(other.empty());
  // The first employee's company keeps 4 June (T030 "0406"), a Wednesday in 2014.
  session().lists().LoadCompany(static_cast<int>(ValInt(first.substr(0, 3))));
  std::string company = session().archives().RecordBuffer(1);
  session().codec().PutField(fields::kT030, "0406", 0, &company);
  session().archives().SCRIVIREC(1, ValInt(first.substr(0, 3)), company);

  Run(Month(kYear, 9), {first, other});
  EXPECT_EQ(Theoretical(Rows(first, "201409"), 8), "");
  EXPECT_EQ(Theoretical(Rows(other, "201409"), 8), "");
  EXPECT_EQ(Theoretical(Rows(first, "201409"), 9), "08:00");
  Run(Month(kYear, 6), {first, other});
  EXPECT_EQ(Theoretical(Rows(first, "201406"), 4), "");
  EXPECT_EQ(Theoretical(Rows(other, "201406"), 4), "08:00");
}

TEST_F(MemorizeTest, AnomaliesAreWordedAndReportedOncePerEmployee) {
  const std::string missing = Key(DemoCase::kMissingGroup);
  const std::string none = Key(DemoCase::kNoSchedule);
  const std::string both = Key(DemoCase::kRotationWithProfile);
  const std::string collaborator = Key(DemoCase::kCollaboratorWithoutGroup);
  const std::string collaborator_missing = Key(DemoCase::kCollaboratorWithGroup);
  SetField(collaborator_missing, fields::kP766, report_.missing_group);
  // Hired on the 10th with a group GRUPPI does not hold: days 1-9 stay written.
  const std::string hired = Key(DemoCase::kHiredMidMonth);
  SetField(hired, fields::kP766, report_.missing_group);

  const std::vector<std::string> lines =
      Run(Month(kYear, 3), {missing, none, both, collaborator, collaborator_missing, hired, missing});
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Dipendente : " + missing + " Cod.Gruppo in P766 non presente nella tabella GRUPPI",
                       "Dipendente : " + none + " Cod.Gruppo(campo P766)/Profilo(campo P138) non compilati",
                       "Il Dipendente : " + both + " ha codificato sia profili orari che Gruppi orari",
                       "Co.co.co : " + collaborator_missing + " Cod.Gruppo in P766 non presente nella tabella GRUPPI",
                       "Dipendente : " + hired + " Cod.Gruppo in P766 non presente nella tabella GRUPPI",
                   }));
  EXPECT_TRUE(Rows(collaborator, "201403").empty());
  EXPECT_EQ(Rows(hired, "201403").size(), 9u);
  EXPECT_EQ(totals_.anomalies, 6);  // the repeated employee stops again, without a line
}

TEST_F(MemorizeTest, FormerEmployeesAreReportedOnceTheirEndDateIsReached) {
  // Status 2, left on 12 March; the processing date is 31 March.
  const std::string left = Key(DemoCase::kStatus2);
  SetField(left, fields::kP766, report_.missing_group);
  EXPECT_EQ(Run(Month(kYear, 3), {left}).size(), 1u);
  MemorizeOptions again = Month(kYear, 3);
  again.rewrite_existing = true;
  SetField(left, fields::kP017, "15042014");
  EXPECT_TRUE(Run(again, {left}).empty());
  EXPECT_EQ(totals_.anomalies, 1);
  // Without group or profile the end date must also be present.
  SetField(left, fields::kP766, "000");
  SetField(left, fields::kP017, "");
  EXPECT_TRUE(Run(again, {left}).empty());
  SetField(left, fields::kP017, "20032014");
  EXPECT_EQ(Run(again, {left}),
            std::vector<std::string>{"Dipendente : " + left + " Cod.Gruppo(campo P766)/Profilo(campo P138) non compilati"});
}

TEST_F(MemorizeTest, StoredDaysAreRewrittenOnlyWhenAsked) {
  const std::string key = OrdinaryEmployee(kYear);
  DayRow stored;
  stored.employee = key;
  stored.period = "20140315";
  stored.pres0 = 7;
  stored.pres[1] = "XYZ";
  stored.pres[14] = "030";
  stored.pres[15] = "01:00";
  stored.protocollo = 12;
  ASSERT_TRUE(session().db().SaveDay(stored).ok());

  // Without options the month is written from day 1 up to its first stored day, which stops
  // it: days 1-14 are added, day 15 stays as stored, days 16-31 are not created.
  Run(Month(kYear, 3), {key});
  EXPECT_EQ(totals_.written, 1);
  std::vector<DayRow> partial = Rows(key, "201403");
  ASSERT_EQ(partial.size(), 15u);
  EXPECT_EQ(partial[0].period, "20140301");
  EXPECT_EQ(partial[2].pres[2], "08:00");  // Monday 3 March
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
  EXPECT_EQ(rows[14].pres0, 7);
  EXPECT_EQ(rows[14].pres[1], "001");
  EXPECT_EQ(rows[14].pres[14], "030");
  EXPECT_EQ(rows[14].pres[15], "01:00");
  EXPECT_EQ(rows[14].protocollo, 12);

  MemorizeOptions again = Month(kYear, 3);
  again.rewrite_existing = true;
  Run(again, {key});
  rows = Rows(key, "201403");
  EXPECT_EQ(rows[14].pres0, 0);
  EXPECT_EQ(rows[14].pres[14], "030");
}

TEST_F(MemorizeTest, RotationFollowsTheChangeDayAndIsWrittenBack) {
  const std::string rotating = Key(DemoCase::kRotation2);
  ASSERT_EQ(Field(rotating, fields::kP776), "0");  // Monday
  ASSERT_EQ(Val(Field(rotating, fields::kP777)), 1);
  const std::string first = Code3Of(Field(rotating, fields::kP766));
  const std::string second = Code3Of(Field(rotating, fields::kP772));
  const std::string group = OrdinaryEmployee(kYear);
  SetField(group, fields::kP777, "004");

  // March 2014: Mondays 3, 10, 17, 24, 31.
  Run(Month(kYear, 3), {rotating, group});
  std::vector<DayRow> rows = Rows(rotating, "201403");
  ASSERT_EQ(rows.size(), 31u);
  const std::map<int, std::string> expected = {{1, first},  {2, first},   {3, second}, {9, second},
                                               {10, first}, {17, second}, {24, first}, {31, second}};
  for (const auto& [day, code] : expected) EXPECT_EQ(rows[static_cast<size_t>(day - 1)].pres[1], code) << day;

  // Read again from the archive, by a new session.
  Reopen();
  EXPECT_EQ(Val(Field(rotating, fields::kP777)), 2);
  EXPECT_EQ(Val(Field(group, fields::kP777)), 0);

  // March again without options writes no day, so the rotation stays where March left it
  // (moving it on from 2 would end March on position 1).
  Run(Month(kYear, 3), {rotating});
  EXPECT_EQ(totals_.days, 0);
  Reopen();
  EXPECT_EQ(Val(Field(rotating, fields::kP777)), 2);

  // April goes on from there: the second group until Monday 7, when the first comes back.
  // With 10 April already stored, days 1-9 are written and the position written back is
  // the one of 9 April: 1.
  DayRow stored;
  stored.employee = rotating;
  stored.period = "20140410";
  stored.pres[1] = "XYZ";
  ASSERT_TRUE(session().db().SaveDay(stored).ok());
  Run(Month(kYear, 4), {rotating});
  rows = Rows(rotating, "201404");
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0].pres[1], second);
  EXPECT_EQ(rows[5].pres[1], second);
  EXPECT_EQ(rows[6].pres[1], first);
  EXPECT_EQ(rows[8].pres[1], first);
  EXPECT_EQ(rows[9], stored);
  Reopen();
  EXPECT_EQ(Val(Field(rotating, fields::kP777)), 1);
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
  MemorizeOptions again = Month(kYear, 3);
  again.rewrite_existing = true;
  Run(again, {key});
  ASSERT_FALSE(dialogs_.Texts().empty());
  EXPECT_EQ(dialogs_.Texts()[0], "ERRORE HH:MM 8.00");
  EXPECT_EQ(dialogs_.entries()[0].title, "ERRORE");
  const std::vector<DayRow> rows = Rows(key, "201403");
  EXPECT_EQ(rows[3].pres[1], "950");  // Tuesday 4 March
  EXPECT_EQ(rows[3].pres[2], "");
  EXPECT_EQ(rows[2].pres[2], "08:00");
}

// A print storing a sheet number in another process just after "Rielabora" has read the
// month: the number stays, whichever of the two writes first.
TEST_F(MemorizeTest, RewritingAMonthKeepsTheNumberAPrintStoresMeanwhile) {
  std::vector<std::string> keys;
  for (const std::string& key : report_.Keys(DemoCase::kGroup)) {
    if (keys.size() < 3 && Val(Field(key, fields::kP054)) == 0) keys.push_back(key);
  }
  ASSERT_EQ(keys.size(), 3u);
  Run(Month(kYear, 3), keys);
  const std::string printed = keys[1];
  Reopen();

  // The print runs in its own process, started before this one opens the database, and
  // waits for the signal on the pipe.
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const pid_t print = ::fork();
  ASSERT_GE(print, 0);
  if (print == 0) {
    char go = 0;
    if (::read(pipe_fds[0], &go, 1) != 1) ::_exit(2);
    // The print, as the sheet printing stores a number on the month's last day.
    auto own = OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
    if (!own.ok()) ::_exit(3);
    Transaction t(**own);
    auto row = (*own)->FindDay(printed, "20140331");
    if (!t.status().ok() || !row.ok() || !*row) ::_exit(4);
    (*row)->protocollo = 77;
    if (!(*own)->SaveDay(**row).ok() || !t.Commit().ok()) ::_exit(5);
    ::_exit(0);
  }

  RecordingDialogs dialogs;
  Session s(dialogs);
  Startup(s, Paths());
  auto db = OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
  ASSERT_TRUE(db.ok());
  auto wrapper = std::make_unique<testing::KillingDb>(std::move(*db), 0);
  int status = -1;
  bool signalled = false;
  wrapper->after_month_read = [&](std::string_view employee) {
    if (employee != printed || signalled) return;
    signalled = true;
    if (::write(pipe_fds[1], "x", 1) != 1) return;
    // Give the print time to finish, unless memorization holds the database meanwhile.
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(print, &status, WNOHANG) == print) return;
      ::usleep(5000);
    }
  };
  s.AttachDatabase(std::move(wrapper));
  MemorizeOptions again = Month(kYear, 3);
  again.rewrite_existing = true;
  MonthMemorizer memorizer(s, again);
  memorizer.ELABORADIPENDENTI(keys);
  ASSERT_TRUE(signalled);
  if (status == -1) {
    ASSERT_EQ(::waitpid(print, &status, 0), print);
  }
  ::close(pipe_fds[0]);
  ::close(pipe_fds[1]);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::vector<DayRow> rows = Rows(printed, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[30].protocollo, 77);
}

using testing::KillingDb;

// Employee-months are committed in batches that end once they have run for kBatchTime, so
// another workstation's job never waits much longer than that for the write lock.
TEST_F(MemorizeTest, TransactionsAreShortBatchesOfWholeMonths) {
  std::vector<std::string> keys;
  for (const std::string& key : report_.Keys(DemoCase::kGroup)) {
    if (keys.size() < 12 && Val(Field(key, fields::kP054)) == 0) keys.push_back(key);
  }
  ASSERT_EQ(keys.size(), 12u);
  Reopen();
  RecordingDialogs dialogs;
  Session s(dialogs);
  Startup(s, Paths());
  auto db = OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
  ASSERT_TRUE(db.ok());
  // 3 ms a day: about 93 ms an employee-month, three of them to a batch.
  auto wrapper = std::make_unique<KillingDb>(std::move(*db), 0, std::chrono::milliseconds(3));
  KillingDb* watched = wrapper.get();
  s.AttachDatabase(std::move(wrapper));
  MonthMemorizer memorizer(s, Month(kYear, 3));
  memorizer.ELABORADIPENDENTI(keys);
  EXPECT_EQ(memorizer.totals().days, 12 * 31);
  ASSERT_GE(watched->held.size(), 3u);
  ASSERT_LE(watched->held.size(), 6u);
  // A batch ends with the month that takes it past the bound: about 2 × 93 ms over it at most
  // here, with room for a loaded machine. A run held in one transaction would fail the count
  // above long before this.
  for (const auto& held : watched->held) EXPECT_LT(held, 3 * kBatchTime);
  for (const std::string& key : keys) EXPECT_EQ(Rows(key, "201403").size(), 31u) << key;
}

TEST_F(MemorizeTest, AKilledRunLeavesNoHalfMonth) {
  std::vector<std::string> keys;
  for (const std::string& key : report_.Keys(DemoCase::kGroup)) {
    if (keys.size() < 4 && Val(Field(key, fields::kP054)) == 0) keys.push_back(key);
  }
  ASSERT_EQ(keys.size(), 4u);
  Reopen();

  // The child memorizes in batches and is killed in the middle of the third employee's month.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RecordingDialogs dialogs;
    Session s(dialogs);
    Startup(s, Paths());
    auto db = OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
    if (!db.ok()) ::_exit(3);
    // Each saved day takes 7 ms, so each employee-month (217 ms) outlasts the batch bound
    // and ends its batch: the first two are committed before the kill.
    s.AttachDatabase(std::make_unique<KillingDb>(std::move(*db), 2 * 31 + 15, std::chrono::milliseconds(7)));
    MonthMemorizer memorizer(s, Month(kYear, 3));
    memorizer.ELABORADIPENDENTI(keys);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
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

// The company's patron-saint day comes from the company record named by the first three
// characters of a company code or of an employee key; a company the archive does not hold
// has none. The demo's first company keeps 13 June, its second has no day of its own.
TEST_F(MemorizeTest, CompanyPatronDayIsReadFromTheCompanyRecord) {
  ASSERT_GE(report_.company_codes.size(), 2u);
  const std::string first = report_.company_codes[0];
  EXPECT_EQ(CompanyPatronDay(session(), first), "1306");
  EXPECT_EQ(CompanyPatronDay(session(), first + "0000042"), "1306");
  EXPECT_EQ(Trim(CompanyPatronDay(session(), report_.company_codes[1])), "");
  EXPECT_EQ(CompanyPatronDay(session(), "000"), "");
  EXPECT_EQ(CompanyPatronDay(session(), "999"), "");
  EXPECT_EQ(CompanyPatronDay(session(), ""), "");
  // After a miss the next company still reads its own record.
  EXPECT_EQ(CompanyPatronDay(session(), first), "1306");
}

}  // namespace
}  // namespace kaveltar::testing
