// The folder picker through the dialog service's fake.
#include <gtest/gtest.h>

#include "foundation/gui/BrowseForFolder.h"
#include "platform/mfc/CommonDialogs.h"
#include "tests/platform/mfc/FakeCommonDialogs.h"

namespace {

class BrowseForFolderTest : public testing::Test {
protected:
    void SetUp() override { SetCommonDialogs(&dialogs_); }
    void TearDown() override { SetCommonDialogs(nullptr); }
    FakeCommonDialogs dialogs_;
};

TEST_F(BrowseForFolderTest, ReturnsTheChosenFolderWithoutItsSeparator)
{
    struct Case {
        std::optional<std::wstring> answer;
        const wchar_t* result;
    };
    const Case cases[] = {
        {std::wstring(L"/home/user/Videos/"), L"/home/user/Videos"},
        {std::wstring(L"/home/user/Videos"), L"/home/user/Videos"},
        {std::wstring(L"/media/disk one//"), L"/media/disk one"},
        {std::wstring(L"/"), L"/"},
        {std::nullopt, L""},
    };
    for (const Case& c : cases) {
        dialogs_.folderAnswers.push_back(c.answer);
        EXPECT_EQ(std::wstring(c.result), BrowseForFolder(nullptr, L"/start/here/", L"Pick").str());
    }
    ASSERT_EQ(std::size(cases), dialogs_.folderRequests.size());
    EXPECT_EQ(L"/start/here/", dialogs_.folderRequests[0].startFolder);
    EXPECT_EQ(L"Pick", dialogs_.folderRequests[0].title);
}

TEST_F(BrowseForFolderTest, CancelGivesAnEmptyText)
{
    EXPECT_TRUE(BrowseForFolder(nullptr, L"", L"Nothing queued").IsEmpty());
    ASSERT_EQ(1u, dialogs_.folderRequests.size());
    EXPECT_TRUE(dialogs_.folderRequests[0].startFolder.empty());
}

}  // namespace
