// The job list over real sources: the row each added job gets, refused
// sources that add nothing, and moves and removals that keep the records
// and the rows of the list control in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "encoder/core/LangTextTable.h"
#include "encoder/jobs/EncFileInfoList.h"
#include "platform/mfc/CRect.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/jobs/JobTestSupport.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/support/MediaFixtures.h"

namespace {

class JobListTest : public JobTest {
protected:
    void SetUp() override
    {
        JobTest::SetUp();
        top_ = gui_test::MakeTop(0, 0, 900, 300);
        ASSERT_TRUE(
            list_.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 880, 280), CWnd::FromHandle(top_), 1002));
        for (int i = 0; i < CEncFileInfoList::kColumnCount; ++i) list_.InsertColumn(i, L"column", LVCFMT_LEFT, 120);
    }
    void TearDown() override
    {
        jobs_.SetListCtrl(nullptr);
        list_.DestroyWindow();
        DestroyWindow(top_);
        JobTest::TearDown();
    }

    // Three sources with the same content under the names a.avi, b.avi and
    // c.avi, the first with a subtitle beside it.
    std::vector<std::string> ThreeSources() const
    {
        std::string bytes = ReadBytes(
            MakeMedia(temp(), "made.avi",
                      TestPicture(1.0) + " " + TestTone(1.0) + " -c:v mpeg4 -vtag XVID -c:a libmp3lame -b:a 64k"));
        std::vector<std::string> paths;
        for (const char* name : {"a.avi", "b.avi", "c.avi"}) {
            paths.push_back(temp().File(name));
            WriteBytes(paths.back(), bytes);
        }
        WriteBytes(temp().File("a.srt"), "1\n00:00:00,000 --> 00:00:01,000\nhello\n");
        return paths;
    }

    // The file names in the records and in the rows, which must agree.
    std::vector<std::string> Order() const
    {
        std::vector<std::string> records, rows;
        for (int i = 0; i < jobs_.GetJobCount(); ++i)
            records.push_back(WideToUtf8(jobs_.GetJob(i)->GetSourceFileName().str()));
        for (int i = 0; i < list_.GetItemCount(); ++i) rows.push_back(WideToUtf8(list_.GetItemText(i, 1).str()));
        EXPECT_EQ(records, rows);
        return records;
    }

    HWND top_ = nullptr;
    CListCtrl list_;
    CEncFileInfoList jobs_;
};

TEST_F(JobListTest, EachAddedJobGetsItsRowOfSevenTexts)
{
    std::vector<std::string> paths = ThreeSources();
    std::string song = MakeMedia(temp(), "song.mp3", TestTone(2.0) + " -c:a libmp3lame -b:a 64k");
    jobs_.SetListCtrl(&list_);
    CEncFileInfo* movie = jobs_.AddFile(CString(Utf8ToWide(paths[0])));
    CEncFileInfo* audio = jobs_.AddFile(CString(Utf8ToWide(song)));
    ASSERT_NE(nullptr, movie);
    ASSERT_NE(nullptr, audio);
    ASSERT_EQ(2, list_.GetItemCount());
    EXPECT_EQ(movie, jobs_.GetJob(0));
    EXPECT_EQ(audio, jobs_.GetJob(1));

    const CString none = LookupText(L"TEXT_LIST_FILES_NONE");
    const CString found = LookupText(L"TEXT_LIST_FILES_OK");
    ASSERT_EQ(CString(L"None"), none);
    ASSERT_EQ(CString(L"Found"), found);
    const std::string folder = temp().path() + "/";
    const std::vector<std::vector<std::string>> expected = {
        {"0:00:01 [0:00:00 - 0:00:00]", "a.avi", "AVI", "Found", folder,
         "MPEG-4, " + WideToUtf8(movie->GetVideoInfoText().str()), "MPEG Layer-3, 1Ch, 44.0KHz, 64Kbps"},
        {"0:00:02 [0:00:00 - 0:00:00]", "song.mp3", "MP3", "None", folder, "None",
         "MPEG Layer-3, 1Ch, 44.0KHz, 64Kbps"},
    };
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < CEncFileInfoList::kColumnCount; ++column)
            EXPECT_EQ(expected[row][column], WideToUtf8(list_.GetItemText(row, column).str())) << row << "," << column;
    EXPECT_EQ("160x120, 25.00fps", WideToUtf8(movie->GetVideoInfoText().Left(17).str()));

    // A refused source adds neither a record nor a row.
    WriteBytes(temp().File("empty.avi"), "");
    EXPECT_EQ(nullptr, jobs_.AddFile(CString(Utf8ToWide(temp().File("empty.avi")))));
    EXPECT_EQ(nullptr, jobs_.AddFile(L"(Default DVD Device)"));
    EXPECT_EQ(2, jobs_.GetJobCount());
    EXPECT_EQ(2, list_.GetItemCount());
    EXPECT_EQ(nullptr, jobs_.GetJob(2));
    EXPECT_EQ(nullptr, jobs_.GetJob(-1));
}

TEST_F(JobListTest, MovesKeepRecordsAndRowsTogether)
{
    std::vector<std::string> paths = ThreeSources();
    jobs_.SetListCtrl(&list_);
    for (const std::string& p : paths) ASSERT_NE(nullptr, jobs_.AddFile(CString(Utf8ToWide(p))));
    ASSERT_EQ((std::vector<std::string>{"a.avi", "b.avi", "c.avi"}), Order());
    // Each row keeps its own texts wherever it goes.
    const CString subtitleOfA = list_.GetItemText(0, 3);

    struct Move {
        int from;
        int to;
        int result;
    };
    // Applied one after the other; the model moves the name so that it ends
    // at the target index.
    const Move moves[] = {
        {0, 2, 1}, {2, 0, 1}, {1, 2, 1}, {2, 1, 1}, {0, 1, 1}, {1, 1, 0}, {-1, 0, 0}, {0, 3, 0}, {3, 0, 0}, {0, -1, 0},
    };
    std::vector<std::string> model = Order();
    for (const Move& m : moves) {
        EXPECT_EQ(m.result, jobs_.MoveJob(m.from, m.to)) << m.from << "->" << m.to;
        if (m.result) {
            std::string moved = model[m.from];
            model.erase(model.begin() + m.from);
            model.insert(model.begin() + m.to, moved);
        }
        EXPECT_EQ(model, Order()) << m.from << "->" << m.to;
        ASSERT_EQ(3, list_.GetItemCount());
    }
    // The first move of the table, on its own.
    jobs_.RemoveAll();
    for (const std::string& p : paths) jobs_.AddFile(CString(Utf8ToWide(p)));
    EXPECT_EQ(1, jobs_.MoveJob(0, 2));
    EXPECT_EQ((std::vector<std::string>{"b.avi", "c.avi", "a.avi"}), Order());
    EXPECT_EQ(subtitleOfA, list_.GetItemText(2, 3));
    EXPECT_EQ(LookupText(L"TEXT_LIST_FILES_NONE"), list_.GetItemText(0, 3));
}

TEST_F(JobListTest, RemovalsDeleteRecordsAndRows)
{
    std::vector<std::string> paths = ThreeSources();
    jobs_.SetListCtrl(&list_);
    for (int round = 0; round < 2; ++round)
        for (const std::string& p : paths) ASSERT_NE(nullptr, jobs_.AddFile(CString(Utf8ToWide(p))));
    ASSERT_EQ(6, list_.GetItemCount());

    struct Removal {
        int index;
        int count;
        std::vector<std::string> left;
    };
    const Removal removals[] = {
        {1, 1, {"a.avi", "c.avi", "a.avi", "b.avi", "c.avi"}},
        {7, 1, {"a.avi", "c.avi", "a.avi", "b.avi", "c.avi"}},
        {-1, 2, {"a.avi", "c.avi", "a.avi", "b.avi", "c.avi"}},
        {0, 0, {"a.avi", "c.avi", "a.avi", "b.avi", "c.avi"}},
        {0, 2, {"a.avi", "b.avi", "c.avi"}},
        {1, 10, {"a.avi"}},
    };
    for (const Removal& r : removals) {
        jobs_.RemoveJobs(r.index, r.count);
        EXPECT_EQ(r.left, Order()) << r.index << "+" << r.count;
    }
    jobs_.AddFile(CString(Utf8ToWide(paths[2])));
    jobs_.RemoveAll();
    EXPECT_EQ(0, jobs_.GetJobCount());
    EXPECT_EQ(0, list_.GetItemCount());
}

TEST_F(JobListTest, WithoutAControlOnlyTheRecordsChange)
{
    std::vector<std::string> paths = ThreeSources();
    for (const std::string& p : paths) ASSERT_NE(nullptr, jobs_.AddFile(CString(Utf8ToWide(p))));
    EXPECT_EQ(0, list_.GetItemCount());
    EXPECT_EQ(1, jobs_.MoveJob(2, 0));
    EXPECT_EQ(CString(L"c.avi"), jobs_.GetJob(0)->GetSourceFileName());
    jobs_.RemoveJobs(0, 1);
    EXPECT_EQ(2, jobs_.GetJobCount());
    EXPECT_EQ(CString(L"a.avi"), jobs_.GetJob(0)->GetSourceFileName());
    // The records left go with the list.
}

}  // namespace
