// The banner slots against a server on 127.0.0.1: downloaded on worker
// threads, handed to the window through queued calls, shown while no panel
// is open and slot 1 holds a picture.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <chrono>
#include <fstream>
#include <iterator>

#include "dialogs/common_dialogs.h"
#include "editor/editor_fixture.h"
#include "support/loopback_server.h"

namespace korvane {
namespace {

using test::CannedResponse;
using test::LoopbackServer;

std::string bannerBytes(int n) {
  std::ifstream in(std::string(KORVANE_TEST_SOURCE_DIR) + "/editor/banners/banner" + std::to_string(n) + ".png",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class BannerTest : public test::EditorTest {
 protected:
  // What the server answers for /1.png, /2.png and /3.png.
  std::array<std::optional<CannedResponse>, 3> answers;
  LoopbackServer server{[this](const std::string& request) -> CannedResponse {
    for (int i = 0; i < 3; ++i)
      if (request.rfind("GET /" + std::to_string(i + 1) + ".png ", 0) == 0 && answers[size_t(i)])
        return *answers[size_t(i)];
    return {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"};
  }};

  void serveAll() {
    for (int i = 0; i < 3; ++i) answers[size_t(i)] = test::Ok(bannerBytes(i + 1), "image/png");
  }
  MainWindow& open() {
    m_bannerWindow = std::make_unique<MainWindow>(
        BannerAddressList{server.Url("/1.png"), server.Url("/2.png"), server.Url("/3.png")}, templates());
    m_bannerWindow->show();
    waitForBanners();
    return *m_bannerWindow;
  }
  void waitForBanners() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (m_bannerWindow->BannerDownloadsRunning() && std::chrono::steady_clock::now() < deadline)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();  // the queued hand-overs
  }
  bool adShown() { return m_bannerWindow->findChild<QGroupBox*>("GroupBox_Ad")->isVisibleTo(m_bannerWindow.get()); }
  QLabel* slot(int n) { return m_bannerWindow->findChild<QLabel*>(QStringLiteral("PictureBox_Ad%1").arg(n)); }
  std::unique_ptr<MainWindow> m_bannerWindow;
};

TEST_F(BannerTest, ThreeBannersArriveAndTheBoxShowsWhileNoPanelIsOpen) {
  serveAll();
  MainWindow& w = open();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(w.BannerSlot(i).size(), bannerBytes(i + 1).size()) << i;
    ASSERT_FALSE(slot(i + 1)->pixmap().isNull()) << i;
    EXPECT_EQ(slot(i + 1)->pixmap().width(), 220);
  }
  EXPECT_TRUE(adShown());
  // A panel replaces it; another page brings it back.
  auto* accordion = w.findChild<Accordion*>("Accordion_Main");
  emit accordion->ItemClicked(kPageText, 0);
  EXPECT_FALSE(adShown());
  accordion->setCurrentIndex(kPageFrame);
  EXPECT_TRUE(adShown());
  // The requests are plain GETs with the program's headers.
  const std::string request = server.Requests().at(0);
  EXPECT_NE(request.find("Accept-Language: zh-cn\r\n"), std::string::npos) << request;
}

TEST_F(BannerTest, WithoutTheServerTheBoxesStayEmptyAndTheBoxNeverShows) {
  m_bannerWindow = std::make_unique<MainWindow>(BannerAddressList{
      "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort()) + "/1.png", "", ""}, templates());
  waitForBanners();
  EXPECT_TRUE(m_bannerWindow->BannerSlot(0).empty());
  EXPECT_FALSE(adShown());
  m_bannerWindow->findChild<Accordion*>("Accordion_Main")->setCurrentIndex(kPageFigure);
  EXPECT_FALSE(adShown());
}

TEST_F(BannerTest, OnlySlotOneArriving) {
  answers[0] = test::Ok(bannerBytes(1), "image/png");
  MainWindow& w = open();
  EXPECT_FALSE(w.BannerSlot(0).empty());
  EXPECT_TRUE(w.BannerSlot(1).empty());
  EXPECT_TRUE(w.BannerSlot(2).empty());
  EXPECT_TRUE(adShown());
}

TEST_F(BannerTest, AnErrorPageInSlotOneKeepsTheBoxHidden) {
  serveAll();
  answers[0] = test::Ok("<html><body>页面不存在</body></html>", "text/html; charset=utf-8");
  MainWindow& w = open();
  EXPECT_TRUE(w.BannerSlot(0).empty());
  EXPECT_FALSE(w.BannerSlot(1).empty());
  EXPECT_FALSE(adShown());
  w.findChild<Accordion*>("Accordion_Main")->setCurrentIndex(kPageText);
  EXPECT_FALSE(adShown());
}

TEST_F(BannerTest, ASaveWhileTheServerIsDownEmptiesTheSlots) {
  serveAll();
  MainWindow& w = open();
  ASSERT_FALSE(w.BannerSlot(2).empty());
  answers = {};  // every banner now answers 404 with no body
  DialogAnswers dialogs;
  dialogs.file = [](QFileDialog&) { return std::optional<std::string>(); };  // the save is cancelled
  ScopedDialogAnswers scoped(dialogs);
  QTest::mouseClick(w.findChild<QPushButton*>("Button_SavePicture"), Qt::LeftButton);
  waitForBanners();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(w.BannerSlot(i).empty()) << i;
  EXPECT_FALSE(adShown());
}

TEST_F(BannerTest, AWindowClosedWhileDownloadsStallDoesNotWaitForThem) {
  for (auto& a : answers) {
    CannedResponse r = test::Ok(bannerBytes(1), "image/png");
    r.stallAfterHeaders = true;
    a = r;
  }
  m_bannerWindow = std::make_unique<MainWindow>(
      BannerAddressList{server.Url("/1.png"), server.Url("/2.png"), server.Url("/3.png")}, templates());
  QApplication::processEvents(QEventLoop::AllEvents, 200);
  const auto start = std::chrono::steady_clock::now();
  m_bannerWindow.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

// A 405-byte PNG may declare 100 megapixels: such a banner is refused from
// its header, never decoded, on the GUI thread or any other.
TEST_F(BannerTest, ABannerFarLargerThanItsBoxIsRefusedFromItsHeader) {
  std::string huge = bannerBytes(1);
  ASSERT_EQ(huge.compare(12, 4, "IHDR"), 0);
  for (int at : {16, 20}) huge[size_t(at)] = 0, huge[size_t(at) + 1] = 0, huge[size_t(at) + 2] = 0x27, huge[size_t(at) + 3] = 0x10;
  EXPECT_TRUE(BannerService::DecodeBanner(ByteArray(huge.begin(), huge.end())).isNull());  // 10000 x 10000
  const std::string fine = bannerBytes(2);
  EXPECT_FALSE(BannerService::DecodeBanner(ByteArray(fine.begin(), fine.end())).isNull());
  answers[0] = test::Ok(huge, "image/png");
  answers[1] = test::Ok(bannerBytes(2), "image/png");
  open();
  EXPECT_TRUE(slot(1)->pixmap().isNull());
  EXPECT_FALSE(slot(2)->pixmap().isNull());
}

TEST(BannerAddresses, TheEnvironmentNamesThreeAddressesOrIsIgnored) {
  std::string complaint;
  EXPECT_EQ(BannerAddressesFrom(nullptr, &complaint), DefaultBannerAddresses());
  EXPECT_TRUE(complaint.empty());
  const BannerAddressList mine = BannerAddressesFrom("http://a/1.png  https://b/2.png\thttp://c/3.png", &complaint);
  EXPECT_EQ(mine, (BannerAddressList{"http://a/1.png", "https://b/2.png", "http://c/3.png"}));
  EXPECT_TRUE(complaint.empty());
  for (const char* bad : {"http://a/1.png", "http://a http://b http://c http://d", "ftp://a http://b http://c", ""}) {
    complaint.clear();
    EXPECT_EQ(BannerAddressesFrom(bad, &complaint), DefaultBannerAddresses()) << bad;
    EXPECT_FALSE(complaint.empty()) << bad;
  }
  for (const std::string& url : DefaultBannerAddresses()) EXPECT_EQ(url.rfind("http://", 0), 0u);
}

}  // namespace
}  // namespace korvane
