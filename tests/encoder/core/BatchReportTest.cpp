// The batch report a script reads: one line per source, switch and refused
// start, spoken once automatic mode says so (earlier lines first), and the
// exit status that sums the batch up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoder/core/BatchReport.h"

namespace {

TEST(BatchReport, TheStatusSaysWhetherEverySourceConverted)
{
    struct Case {
        const char* what;
        void (*fill)(BatchReport&);
        int status;
    };
    const Case cases[] = {
        {"every job converted",
         [](BatchReport& r) {
             r.JobConverted(L"a.avi", L"/out/a.avi");
             r.JobConverted(L"b.avi", L"/out/b.avi");
         },
         BatchReport::kAllConverted},
        {"an unknown switch changes nothing",
         [](BatchReport& r) {
             r.SwitchNotUsed(L"/colour=red", L"unknown switch", false);
             r.JobConverted(L"a.avi", L"/out/a.avi");
         },
         BatchReport::kAllConverted},
        {"one job failed",
         [](BatchReport& r) {
             r.JobConverted(L"a.avi", L"/out/a.avi");
             r.JobFailed(L"b.avi", L"0x00000e02");
         },
         BatchReport::kSomeNotConverted},
        {"every job failed", [](BatchReport& r) { r.JobFailed(L"b.avi", L"0x00000e02"); },
         BatchReport::kSomeNotConverted},
        {"a source was not listed",
         [](BatchReport& r) {
             r.SourceNotListed(L"notes.avi", L"no reader");
             r.JobConverted(L"a.avi", L"/out/a.avi");
         },
         BatchReport::kSomeNotConverted},
        {"nothing was listed", [](BatchReport& r) { r.SourceNotListed(L"notes.avi", L"no reader"); },
         BatchReport::kNotRun},
        {"nothing at all", [](BatchReport&) {}, BatchReport::kNotRun},
        {"the batch did not start",
         [](BatchReport& r) {
             r.JobConverted(L"a.avi", L"/out/a.avi");
             r.BatchNotRun(L"no folder");
         },
         BatchReport::kNotRun},
        {"a switch that stops the batch",
         [](BatchReport& r) {
             r.SwitchNotUsed(L"/destpath=/nowhere", L"no such folder", true);
             r.JobConverted(L"a.avi", L"/out/a.avi");
         },
         BatchReport::kNotRun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BatchReport report;
        c.fill(report);
        EXPECT_EQ(c.status, report.ExitStatus());
    }
}

TEST(BatchReport, LinesComeOutOnceSpokenEarlierOnesFirstEachOnOneLine)
{
    BatchReport report;
    testing::internal::CaptureStderr();
    report.SourceNotListed(L"notes.avi", L"no reader takes the file");
    report.SwitchNotUsed(L"/preset=none", L"no such preset file", true);
    EXPECT_EQ("", testing::internal::GetCapturedStderr()) << "silent until automatic mode";
    EXPECT_TRUE(report.BatchStopped());

    testing::internal::CaptureStderr();
    report.Speak();
    report.JobConverted(L"two\nlines é.avi", L"/out/two lines é.avi");
    report.JobFailed(L"c.avi", L"0x00000051");
    report.BatchNotRun(L"the folder does not exist: /nowhere");
    const std::string expected =
        "RivoEnc: not listed: notes.avi: no reader takes the file\n"
        "RivoEnc: switch not used: /preset=none: no such preset file\n"
        "RivoEnc: converted: two lines é.avi -> /out/two lines é.avi\n"
        "RivoEnc: failed: c.avi: 0x00000051\n"
        "RivoEnc: not started: the folder does not exist: /nowhere\n";
    EXPECT_EQ(expected, testing::internal::GetCapturedStderr());
    EXPECT_EQ(5u, report.Lines().size());

    report.Reset();
    EXPECT_TRUE(report.Lines().empty());
    EXPECT_FALSE(report.Speaking());
    EXPECT_FALSE(report.BatchStopped());
}

}  // namespace
