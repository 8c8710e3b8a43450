#include "access_ui/replace_impact_dialog.h"

#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "access/access_strings.h"
#include "util/qstring_qt.h"

using ui::Q;
using UIEC_61850_Access::Impact_Entry;

namespace {

// The most rows kept that the list shows without a click.
constexpr size_t Kept_Shown_Open = 20;

enum Impact_Col { Col_Table, Col_Row, Col_Member, Col_New_Member, Col_Reference, Col_Count };

// What each list means for the rows in it: neutral, to look at, to act on.
const QColor Heading_Colours[] = {QColor(0x20, 0x60, 0x20), QColor(0x20, 0x40, 0x90),
                                  QColor(0x90, 0x60, 0x00), QColor(0xA0, 0x10, 0x10),
                                  QColor(0xA0, 0x10, 0x10)};

}  // namespace

TFReplace_Impact::TFReplace_Impact(const UIEC_61850_Access::Replace_Impact& impact,
                                   const QString& intro, const lang::Lang_Strings& texts,
                                   QWidget* parent)
    : QDialog(parent) {
  namespace s = access_strings;
  setObjectName("FReplace_Impact");
  setWindowTitle(Q(texts[s::Text_Impact_Caption]));
  resize(720, 460);
  setSizeGripEnabled(true);

  L_Intro = new QLabel(intro, this);
  L_Intro->setObjectName("L_Intro");
  L_Intro->setWordWrap(true);

  TV_Impact = new QTreeWidget(this);
  TV_Impact->setObjectName("TV_Impact");
  TV_Impact->setColumnCount(Col_Count);
  QStringList columns;
  for (int c : {Col_Table, Col_Row, Col_Member}) columns << Q(texts[s::Text_Impact_Columns.At(c)]);
  columns << Q(texts[s::Text_Impact_New_Member]) << Q(texts[s::Text_Impact_Columns.At(3)]);
  TV_Impact->setHeaderLabels(columns);
  TV_Impact->setRootIsDecorated(true);
  TV_Impact->setUniformRowHeights(true);
  TV_Impact->setSelectionMode(QAbstractItemView::ExtendedSelection);
  TV_Impact->header()->setStretchLastSection(true);
  TV_Impact->setColumnWidth(Col_Table, 170);
  TV_Impact->setColumnWidth(Col_Row, 50);
  TV_Impact->setColumnWidth(Col_Member, 60);
  TV_Impact->setColumnWidth(Col_New_Member, 90);

  const std::vector<Impact_Entry>* lists[] = {&impact.kept, &impact.moved, &impact.changed,
                                              &impact.lost};
  auto add_heading = [&](int list, size_t count) {
    auto* heading = new QTreeWidgetItem(TV_Impact);
    heading->setText(
        Col_Table, Q(texts[s::Text_Impact_Headings.At(list)]).arg(static_cast<qulonglong>(count)));
    heading->setFirstColumnSpanned(true);
    QFont bold = heading->font(Col_Table);
    bold.setBold(true);
    heading->setFont(Col_Table, bold);
    if (count > 0) heading->setForeground(Col_Table, QBrush(Heading_Colours[list]));
    return heading;
  };
  for (int list = 0; list < 4; ++list) {
    QTreeWidgetItem* heading = add_heading(list, lists[list]->size());
    for (const Impact_Entry& entry : *lists[list]) {
      auto* item = new QTreeWidgetItem(heading);
      const bool variable = entry.kind == "variable";
      item->setText(Col_Table, Q(texts[s::Text_Impact_Tables.At(variable ? 0 : 1)]));
      item->setText(Col_Row, QString::number(entry.row));
      if (entry.member) item->setText(Col_Member, QString::number(*entry.member));
      // A member that goes to another place says where.
      if (entry.new_member && entry.new_member != entry.member)
        item->setText(Col_New_Member, QString::number(*entry.new_member));
      item->setText(Col_Reference, Q(entry.reference));
    }
    // A long list of rows kept would push what needs a look out of sight: it opens on a click.
    heading->setExpanded(list != 0 || lists[list]->size() <= Kept_Shown_Open);
  }
  QTreeWidgetItem* gone = add_heading(4, impact.data_sets_gone.size());
  for (const std::string& reference : impact.data_sets_gone) {
    auto* item = new QTreeWidgetItem(gone);
    item->setText(Col_Table, Q(texts[s::Text_Impact_Tables.At(1)]));
    item->setText(Col_Reference, Q(reference));
  }
  gone->setExpanded(true);

  Btn_Replace = new QPushButton(Q(texts[s::Text_Impact_Replace]), this);
  Btn_Replace->setObjectName("Btn_Replace");
  Btn_Cancel = new QPushButton(Q(texts[s::Text_Impact_Cancel]), this);
  Btn_Cancel->setObjectName("Btn_Cancel");
  // Enter does not replace: the user presses Replace on purpose.
  Btn_Replace->setAutoDefault(false);
  Btn_Cancel->setDefault(true);
  connect(Btn_Replace, &QPushButton::clicked, this, &QDialog::accept);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Btn_Replace);
  buttons->addWidget(Btn_Cancel);
  auto* page = new QVBoxLayout(this);
  page->addWidget(L_Intro);
  page->addWidget(TV_Impact, 1);
  page->addLayout(buttons);
}
