#include "download/fields.h"

#include <gtest/gtest.h>

namespace {

const EventPump kNoEvents = [] {};

TEST(DownloadFields, TransferWindowNeedsBothWordsInExactCase) {
    EXPECT_TRUE(IsTransferWindow(L"Now Downloading x", L"File Transfer - 5%"));
    EXPECT_TRUE(IsTransferWindow(L"xDownloadingx", L"[File Transfer]"));
    EXPECT_FALSE(IsTransferWindow(L"Now downloading x", L"File Transfer - 5%"));
    EXPECT_FALSE(IsTransferWindow(L"Now Downloading x", L"file transfer - 5%"));
    EXPECT_FALSE(IsTransferWindow(L"", L""));
}

TEST(DownloadFields, FileNameLosesAolWordsAndIsCutTo15) {
    EXPECT_EQ(FileNameField(L"Now Downloading MySong_Final_Version.mp3", kNoEvents),
              L"MySong_Final_Ve");
    EXPECT_EQ(FileNameField(L"AOL Is Now Downloading photo.jpg", kNoEvents), L"photo.jpg");
    EXPECT_EQ(FileNameField(L"NOW Downloading file.zip", kNoEvents), L"file.zip");
    // The words go wherever they stand, inside the name too.
    EXPECT_EQ(FileNameField(L"Downloading This is new.zip", kNoEvents), L"Thnew.zip");
    // The second round takes what the first one's joins made.
    EXPECT_EQ(FileNameField(L"AOAOL L x", kNoEvents), L"x");
}

TEST(DownloadFields, PercentIsWhatFollowsTheFirstDashWithoutPercentSigns) {
    EXPECT_EQ(PercentField(L"File Transfer - 45%", kNoEvents), L"45");
    EXPECT_EQ(PercentField(L"File Transfer - 7% - x", kNoEvents), L"7 - x");
    EXPECT_EQ(PercentField(L"File Transfer", kNoEvents), L"le Transfer");
    EXPECT_EQ(PercentField(L"File Transfer - ", kNoEvents), L"");
    EXPECT_EQ(PercentField(L"ab", kNoEvents), L"");
    EXPECT_EQ(PercentField(L"", kNoEvents), L"");
}

TEST(DownloadFields, TimeLeftLosesAboutRemainingAndMl) {
    EXPECT_EQ(TimeLeftField(L"about 3 minutes remaining.", kNoEvents), L"3 minutes");
    EXPECT_EQ(TimeLeftField(L"less than a minute remaining.", kNoEvents), L"less than a minute");
    EXPECT_EQ(TimeLeftField(L"About 1 ML remaining.", kNoEvents), L"1 ");
    EXPECT_EQ(TimeLeftField(L"about 2 hours remaining", kNoEvents), L"2 hours remaining");
    EXPECT_EQ(TimeLeftField(L"", kNoEvents), L"");
}

TEST(DownloadFields, EachDeletionHandlesEvents) {
    int pumps = 0;
    const EventPump count = [&pumps] { ++pumps; };
    FileNameField(L"Now Downloading a.zip", count);
    EXPECT_EQ(pumps, 8); // eight words, one replacement or none each
    pumps = 0;
    PercentField(L"File Transfer - 45%", count);
    EXPECT_EQ(pumps, 1);
    pumps = 0;
    TimeLeftField(L"about 3 minutes remaining.", count);
    EXPECT_EQ(pumps, 3);
}

} // namespace
