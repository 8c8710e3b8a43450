// Every link of the configurator opens the maker's page it names: clicked as a person does,
// the address reaches the desktop through one function, caught here by a URL handler.
#include "app/web_links.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include "app/about_dialog.h"
#include "app/local_http_server.h"
#include "app/soft_options_dialog.h"
#include "support/configurator.h"
#include "support/test_support.h"

namespace {

// Stands in for the browser: records each address the desktop is asked to open.
class Browser : public QObject {
  Q_OBJECT

 public:
  Browser() {
    QDesktopServices::setUrlHandler("http", this, "Open");
    QDesktopServices::setUrlHandler("https", this, "Open");
  }
  ~Browser() override {
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
  }
  std::vector<std::string> Opened;

 public slots:
  void Open(const QUrl& url) { Opened.push_back(url.toString().toStdString()); }
};

const std::string Home_Page = std::string(app::Maker_Web_Server) + app::Home_Page_Path;
const std::string Download_Page = std::string(app::Maker_Web_Server) + app::Download_Page_Path;

// Clicks the start of a label's text, where its link begins.
void Click_Link(QLabel* label) {
  ASSERT_NE(label, nullptr);
  ASSERT_TRUE(label->isVisible());
  QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(3, label->height() / 2));
}

TEST(Web_Links, Each_Link_Opens_Its_Page) {
  test::Temp_Dir dir;
  test::Configurator c(dir.path());
  test::Local_Http_Server newer(test::Local_Http_Server::Reply("VER. 1.010"));
  c.ctx.Version_Server = newer.Url();
  c.ctx.Enable_Internet = c.ctx.Enable_Update = true;
  Browser browser;

  QTest::mouseClick(c.window->L_Tolvan, Qt::LeftButton);
  EXPECT_EQ(browser.Opened, std::vector<std::string>{Home_Page}) << "main window: maker's label";

  browser.Opened.clear();
  c.window->Timer_UpdateTimer();
  Click_Link(c.window->LL_Update);
  EXPECT_EQ(browser.Opened, std::vector<std::string>{Download_Page}) << "main window: new version";

  browser.Opened.clear();
  TFAbout& about = *c.window->FAbout;
  about.show();
  QTest::mouseClick(about.findChild<QLabel*>("I_Logo"), Qt::LeftButton);
  Click_Link(about.findChild<QLabel*>("LL_Web"));
  EXPECT_EQ(browser.Opened, (std::vector<std::string>{Home_Page, Home_Page})) << "About box";
  about.close();

  browser.Opened.clear();
  TFSoftOptions& options = *c.window->FSoftOptions;
  options.show();
  QTabBar* tabs = options.PC_Options->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {},
                    tabs->tabRect(options.PC_Options->indexOf(options.TS_Con_Options)).center());
  QTest::mouseClick(options.Btn_Check_Update, Qt::LeftButton);
  Click_Link(options.LL_Check_Update);
  EXPECT_EQ(browser.Opened, std::vector<std::string>{Download_Page}) << "options: new version";
  options.close();
}

}  // namespace

#include "web_links_test.moc"
