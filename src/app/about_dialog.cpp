#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/app_strings.h"
#include "app/web_links.h"
#include "util/qstring_qt.h"
#include "util/util_strings.h"
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

TFAbout::TFAbout(const app::App_Context& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
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
  L_Software_Code = label("", 96, 54, 120);
  label(ui::Q(ctx.SW_Code), 216, 54, 200);
  L_Version = label("", 96, 72, 120);
  label(ui::Q(ctx.SW_Version), 216, 72, 200);
  L_Document_Code = label("", 96, 90, 120);
  label("DM30517", 216, 90, 200);
  const QString site = QString(app::Maker_Web_Server) + QString(app::Home_Page_Path);
  auto* web = new QLabel(QString("<a href=\"%1\">%2</a>").arg(site, app::Maker_Web_Server), this);
  web->setGeometry(12, 118, 280, 18);
  web->setObjectName("LL_Web");
  connect(web, &QLabel::linkActivated, this, &ui::Open_Web_Address);
  Btn_OK = new QPushButton(this);
  Btn_OK->setGeometry(330, 112, 80, 28);
  Btn_OK->setDefault(true);
  connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
  Set_Lang();
}

void TFAbout::Set_Lang() {
  const auto& s = ctx_.Lang_Strings;
  setWindowTitle(ui::Q(s[app_strings::Text_About_Title]));
  L_Software_Code->setText(ui::Q(s[app_strings::Text_About_Software_Code]));
  L_Version->setText(ui::Q(s[app_strings::Text_About_Version]));
  L_Document_Code->setText(ui::Q(s[app_strings::Text_About_Document_Code]));
  Btn_OK->setText(ui::Q(s[util_strings::Text_Button_OK]));
}

void TFAbout::showEvent(QShowEvent* event) {
  // The box has no place in the main window's change of language: it reads its texts as it opens.
  Set_Lang();
  QDialog::showEvent(event);
}
