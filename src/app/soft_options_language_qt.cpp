// The options dialog's Language page: the languages of LANGUAGE six to a page, each with its flag,
// the paging between them, and the choice of one, which changes the texts at once.
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "app/app_strings.h"
#include "app/lang_list.h"
#include "app/soft_options_dialog.h"
#include "lang/lang_file.h"
#include "text/lang_strings.h"
#include "util/qstring_qt.h"

namespace {

constexpr int Flag_Size = 48;

using ui::Q;

// Hidden controls keep their place, so the language slots and buttons never shift between pages.
void Keep_Place_When_Hidden(QWidget* widget) {
  QSizePolicy policy = widget->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(policy);
}

}  // namespace

void TFSoftOptions::Build_Language_Page() {
  TS_Language = new QWidget;
  TS_Language->setObjectName("TS_Language");
  PC_Options->addTab(TS_Language, QString());

  L_Sel_Lang = new QLabel(TS_Language);
  L_Sel_Lang->setObjectName("L_Sel_Lang");
  QFont bold = L_Sel_Lang->font();
  bold.setBold(true);
  L_Sel_Lang->setFont(bold);

  // Slots 1-3 fill the left column top to bottom, slots 4-6 the right one.
  auto* slot_grid = new QGridLayout;
  slot_grid->setHorizontalSpacing(16);
  slot_grid->setVerticalSpacing(6);
  for (int k = 0; k < 6; ++k) {
    const QString number = QString::number(k + 1);
    I_L[k] = new QLabel(TS_Language);
    I_L[k]->setObjectName("I_L" + number);
    I_L[k]->setFixedSize(Flag_Size, Flag_Size);
    I_L[k]->setAlignment(Qt::AlignCenter);
    L_L[k] = new QLabel(TS_Language);
    L_L[k]->setObjectName("L_L" + number);
    L_L[k]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QLabel* control : {I_L[k], L_L[k]}) {
      control->setCursor(Qt::PointingHandCursor);
      control->installEventFilter(this);
      Keep_Place_When_Hidden(control);
    }
    auto* one_slot = new QHBoxLayout;
    one_slot->setSpacing(8);
    one_slot->addWidget(I_L[k]);
    one_slot->addWidget(L_L[k], 1);
    slot_grid->addLayout(one_slot, k % 3, k / 3);
  }
  slot_grid->setColumnStretch(0, 1);
  slot_grid->setColumnStretch(1, 1);

  Btn_Prev = new QPushButton(TS_Language);
  Btn_Prev->setObjectName("Btn_Prev");
  Btn_Next = new QPushButton(TS_Language);
  Btn_Next->setObjectName("Btn_Next");
  L_Page_Lang = new QLabel(TS_Language);
  L_Page_Lang->setObjectName("L_Page_Lang");
  L_Page_Lang->setAlignment(Qt::AlignCenter);
  Keep_Place_When_Hidden(Btn_Prev);
  Keep_Place_When_Hidden(Btn_Next);
  auto* paging = new QHBoxLayout;
  paging->addWidget(Btn_Prev);
  paging->addWidget(L_Page_Lang, 1);
  paging->addWidget(Btn_Next);

  auto* page = new QVBoxLayout(TS_Language);
  page->setContentsMargins(Page_Margin, 10, Page_Margin, 8);
  page->addWidget(L_Sel_Lang);
  page->addSpacing(6);
  page->addLayout(slot_grid);
  page->addStretch(1);
  page->addLayout(paging);

  connect(Btn_Prev, &QPushButton::clicked, this, [this] { Btn_NextClick(Btn_Prev); });
  connect(Btn_Next, &QPushButton::clicked, this, [this] { Btn_NextClick(Btn_Next); });
}

void TFSoftOptions::Show_Selected_Language() {
  L_Sel_Lang->setText(
      Q(ctx_.Lang_Strings[app_strings::Text_Options_Selected_Language] + Language_In_Use));
}

// "Page 2 / 3". Re-captioning after a language choice keeps the page being shown.
void TFSoftOptions::Show_Page_Counter(int Num_Page) {
  const auto& s = ctx_.Lang_Strings;
  const int pages = app::Lang_Page_Count(SL_Languages.size());
  L_Page_Lang->setText(Q(s[app_strings::Text_Options_Page] + std::to_string(Num_Page) +
                         s[app_strings::Text_Options_Page_Of] + std::to_string(pages)));
}

void TFSoftOptions::Create_Lang_List() {
  SL_Languages = app::List_Language_Files(ctx_.Language_Dir);
  Show_Page = 1;
  Update_Lang_Page(1);
}

void TFSoftOptions::Update_Lang_Page(int Num_Page) {
  const int pages = app::Lang_Page_Count(SL_Languages.size());
  Show_Selected_Language();
  Show_Page_Counter(Num_Page);
  Btn_Prev->setVisible(Num_Page != 1);
  // Without any language there is no further page either.
  Btn_Next->setVisible(Num_Page < pages);
  const std::vector<std::string> names = app::Lang_Page_Names(SL_Languages, Num_Page);
  for (size_t k = 0; k < 6; ++k) {
    const bool used = k < names.size();
    L_L[k]->setVisible(used);
    I_L[k]->setVisible(false);
    I_L[k]->clear();
    if (!used) continue;
    L_L[k]->setText(Q(names[k]));
    const std::string flag = app::Lang_Flag_File(ctx_.Language_Dir, names[k]);
    QPixmap picture;
    if (flag.empty() || !picture.load(Q(flag))) continue;
    if (picture.width() > Flag_Size || picture.height() > Flag_Size)
      picture = picture.scaled(Flag_Size, Flag_Size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    I_L[k]->setPixmap(picture);
    I_L[k]->setVisible(true);
  }
}

void TFSoftOptions::Btn_NextClick(QPushButton* sender) {
  const int pages = app::Lang_Page_Count(SL_Languages.size());
  Show_Page = app::Next_Lang_Page(Show_Page, pages, sender == Btn_Next);
  Update_Lang_Page(Show_Page);
}

bool TFSoftOptions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    for (int k = 0; k < 6; ++k) {
      if (watched == I_L[k] || watched == L_L[k]) {
        LangClick(k + 1);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFSoftOptions::LangClick(int slot) {
  const std::vector<std::string> names = app::Lang_Page_Names(SL_Languages, Show_Page);
  if (slot < 1 || static_cast<size_t>(slot) > names.size()) return;
  const std::string chosen = names[static_cast<size_t>(slot) - 1];
  const auto& s = ctx_.Lang_Strings;
  const std::string question = s[app_strings::Text_Options_Change_Language] + Language_In_Use +
                               s[app_strings::Text_Options_Change_Language_To] + chosen +
                               s[app_strings::Text_Options_Change_Language_End];
  if (messages_.Question(this, question) != ui::Messages::Answer::Yes) return;

  Language_In_Use = chosen;
  // The texts change now, but Language_Name (and so the settings file) only on OK.
  const std::string remembered = ctx_.Language_Name;
  ctx_.Language_Name = chosen;
  lang::Select_Language(ctx_.Lang_Strings, ctx_.Language_Dir, ctx_.Language_Name);
  ctx_.Language_Name = remembered;
  if (Change_Language_)
    Change_Language_();
  else
    Set_Lang();
  Show_Selected_Language();
}
