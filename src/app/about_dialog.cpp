#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/web_links.h"
#include "util/qstring_qt.h"
#include "util/web_address_qt.h"

namespace {

// A picture that opens the maker's home page when clicked.
class Link_Picture : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void mouseReleaseEvent(QMouseEvent*) override {
    ui::Open_Web_Address(QString(app::Maker_Web_Server) + app::Home_Page_Path);
  }
};

}  // namespace

TFAbout::TFAbout(const app::App_Context& ctx, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About");
  setFixedSize(425, 148);
  auto* picture = new Link_Picture(this);
  picture->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(64, 64));
  picture->setGeometry(12, 12, 72, 72);
  picture->setObjectName("I_Logo");
  picture->setCursor(Qt::PointingHandCursor);

  auto label = [this](const QString& text, int left, int top, int width, bool bold = false) {
    auto* l = new QLabel(text, this);
    l->setGeometry(left, top, width, 18);
    if (bold) {
      QFont f = l->font();
      f.setBold(true);
      l->setFont(f);
    }
    return l;
  };
  label("Software Varnoscope ", 96, 10, 320, true);
  label(ui::Q(ctx.SW_Desc), 96, 30, 320);
  label("Software Code : ", 96, 54, 120);
  label(ui::Q(ctx.SW_Code), 216, 54, 200);
  label("Version :", 96, 72, 120);
  label(ui::Q(ctx.SW_Version), 216, 72, 200);
  label("Document Code :", 96, 90, 120);
  label("DM30517", 216, 90, 200);
  const QString site = QString(app::Maker_Web_Server) + QString(app::Home_Page_Path);
  auto* web = new QLabel(QString("<a href=\"%1\">%2</a>").arg(site, app::Maker_Web_Server), this);
  web->setGeometry(12, 118, 280, 18);
  web->setObjectName("LL_Web");
  connect(web, &QLabel::linkActivated, this, &ui::Open_Web_Address);
  auto* ok = new QPushButton("OK", this);
  ok->setGeometry(330, 112, 80, 28);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
