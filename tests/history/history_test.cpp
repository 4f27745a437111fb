// The regions and pictures remembered: their stored form, the order they are kept in, and the walk
// back and forth through the regions.
#include <gtest/gtest.h>

#include "history/recent_pictures.h"
#include "history/region_history.h"

namespace {

TEST(RegionHistory, TheStoredFormReadsBackAndAnythingElseIsNoRegion) {
  for (const Rect box : {Rect{0, 0, 10, 10}, Rect{-1920, -40, -1000, 300}, Rect{100, 200, 2100, 1180}})
    EXPECT_EQ(RegionFromText(RegionText(box)), box);
  EXPECT_EQ(RegionFromText(L" 5 , 6 ,7, 8 "), (Rect{5, 6, 7, 8})) << "blanks a hand edit leaves";
  for (const wchar_t* text : {L"", L"1,2,3", L"1,2,3,4,5", L"1,2,3,x", L"a,b,c,d", L"10,10,10,20", L"10,20,30,5",
                              L"1;2;3;4", L"99999999999,0,1,1", L"1,2,3,4x"})
    EXPECT_FALSE(RegionFromText(text)) << "\"" << std::string(text, text + wcslen(text)) << "\" read as a region";
}

TEST(RegionHistory, TheNewestComesFirstOnceAndTwentyAreKept) {
  std::vector<Rect> regions;
  for (int i = 0; i < 25; ++i) AddRegion(regions, {i, 0, i + 20, 20});
  ASSERT_EQ(regions.size(), kMaxRegions);
  EXPECT_EQ(regions.front(), (Rect{24, 0, 44, 20}));
  EXPECT_EQ(regions.back(), (Rect{5, 0, 25, 20}));
  AddRegion(regions, {10, 0, 30, 20});  // taken again: moved up, not twice
  EXPECT_EQ(regions.size(), kMaxRegions);
  EXPECT_EQ(regions.front(), (Rect{10, 0, 30, 20}));
  EXPECT_EQ(std::count(regions.begin(), regions.end(), Rect{10, 0, 30, 20}), 1);
}

TEST(RegionHistory, CommaGoesBackAndPeriodForwardWithinTheList) {
  const Rect a{0, 0, 10, 10}, b{5, 5, 50, 50}, c{1, 2, 3, 4};
  TRegionWalk walk({a, b, c});
  EXPECT_FALSE(walk.Forward()) << "nothing newer than the newest";
  EXPECT_EQ(walk.Back(), a);
  EXPECT_EQ(walk.Back(), b);
  EXPECT_EQ(walk.Back(), c);
  EXPECT_FALSE(walk.Back()) << "nothing older than the oldest";
  EXPECT_EQ(walk.Forward(), b);
  EXPECT_EQ(walk.Forward(), a);
  EXPECT_FALSE(walk.Forward());
  EXPECT_EQ(walk.Back(), b);
  EXPECT_FALSE(TRegionWalk({}).Back());
}

TEST(RecentPictures, TheNewestComesFirstOnceWhateverTheCaseAndTenAreKept) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < 12; ++i) AddRecentPicture(paths, L"C:\\Save\\" + std::to_wstring(i) + L".png");
  ASSERT_EQ(paths.size(), kMaxRecentPictures);
  EXPECT_EQ(paths.front(), L"C:\\Save\\11.png");
  EXPECT_EQ(paths.back(), L"C:\\Save\\2.png");
  AddRecentPicture(paths, L"c:/save/5.PNG");  // the same file, written another way
  EXPECT_EQ(paths.size(), kMaxRecentPictures);
  EXPECT_EQ(paths.front(), L"c:/save/5.PNG");
  EXPECT_EQ(std::count_if(paths.begin(), paths.end(), [](const std::wstring& p) { return p.find(L"5.") != p.npos; }), 1);
}

TEST(RecentPictures, TheNewestTenAreShownOnceWhereverTheyCameFromAndOnlyPicturesCount) {
  std::vector<DatedPicture> pictures;
  for (int i = 0; i < 14; ++i) pictures.push_back({static_cast<uint64_t>(100 + i), L"C:\\Save\\" + std::to_wstring(i) + L".jpg"});
  pictures.push_back({200, L"D:\\Elsewhere\\newest.png"});
  pictures.push_back({113, L"c:\\save\\13.JPG"});  // saved this run and found in the folder: once
  const std::vector<std::wstring> newest = NewestPictures(pictures);
  ASSERT_EQ(newest.size(), kMaxRecentPictures);
  EXPECT_EQ(newest[0], L"D:\\Elsewhere\\newest.png");
  EXPECT_EQ(newest[1], L"C:\\Save\\13.jpg");
  EXPECT_EQ(newest[9], L"C:\\Save\\5.jpg");
  for (const wchar_t* name : {L"a.png", L"a.JPG", L"a.jpeg", L"a.Bmp"}) EXPECT_TRUE(IsPictureName(name));
  for (const wchar_t* name : {L"a.gif", L"a.png.txt", L"png", L"a."}) EXPECT_FALSE(IsPictureName(name));
}

}  // namespace
