#include "access/ied_chooser_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "access/access_strings.h"
#include "util/qstring_qt.h"

using UIEC_Client_Decode::IED_Info;

using ui::Q;

TFIED_Chooser::TFIED_Chooser(const std::string& file_name, const std::vector<IED_Info>& ieds,
                             const lang::Lang_Strings& strings, QWidget* parent)
    : QDialog(parent) {
  using namespace access_strings;
  auto T = [&strings](int text) { return Q(strings[text]); };
  setObjectName("FIED_Chooser");
  setWindowTitle(T(Text_Chooser_Title));
  resize(760, 420);
  setSizeGripEnabled(true);

  L_Prompt = new QLabel(T(Text_Chooser_Prompt).arg(Q(file_name)).arg(ieds.size()), this);
  L_Prompt->setObjectName("L_Prompt");
  L_Prompt->setWordWrap(true);

  SG_IEDs = new QTableWidget(static_cast<int>(ieds.size()), 6, this);
  SG_IEDs->setObjectName("SG_IEDs");
  SG_IEDs->setHorizontalHeaderLabels({T(Text_Chooser_Name), T(Text_Chooser_Manufacturer),
                                      T(Text_Chooser_Type), T(Text_Chooser_Desc),
                                      T(Text_Chooser_IP), T(Text_Chooser_Server)});
  SG_IEDs->setSelectionBehavior(QAbstractItemView::SelectRows);
  SG_IEDs->setSelectionMode(QAbstractItemView::ExtendedSelection);
  SG_IEDs->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SG_IEDs->verticalHeader()->setDefaultSectionSize(SG_IEDs->fontMetrics().height() + 8);
  SG_IEDs->horizontalHeader()->setStretchLastSection(false);
  SG_IEDs->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
  for (int r = 0; r < SG_IEDs->rowCount(); ++r) {
    const IED_Info& ied = ieds[static_cast<size_t>(r)];
    const std::string cells[] = {ied.name, ied.manufacturer,
                                 ied.type, ied.desc,
                                 ied.ip,   strings[ied.server ? Text_Yes : Text_No]};
    // An IED whose name no file can hold cannot be chosen; the row says why.
    const bool writable = UIEC_Client_Decode::Is_Writable_IED_Name(ied.name);
    if (!writable) unwritable_.push_back(static_cast<size_t>(r));
    for (int c = 0; c < 6; ++c) {
      auto* item = new QTableWidgetItem(Q(cells[c]));
      // An IED without a server can still be added (it shows no data), but says so in grey.
      if (!ied.server || !writable) item->setForeground(QColor(0x80, 0x80, 0x80));
      if (!writable) {
        item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        item->setToolTip(T(Text_Chooser_Name_Not_Xml));
      }
      SG_IEDs->setItem(r, c, item);
    }
  }
  SG_IEDs->resizeColumnsToContents();
  SG_IEDs->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);

  Btn_Select_All = new QPushButton(T(Text_Select_All), this);
  Btn_Select_All->setObjectName("Btn_Select_All");
  Btn_OK = new QPushButton(T(Text_Add), this);
  Btn_OK->setObjectName("Btn_OK");
  Btn_OK->setDefault(true);
  Btn_Cancel = new QPushButton(T(Text_Dialog_Cancel), this);
  Btn_Cancel->setObjectName("Btn_Cancel");
  for (QPushButton* button : {Btn_Select_All, Btn_OK, Btn_Cancel}) button->setMinimumWidth(100);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Btn_Select_All);
  buttons->addStretch(1);
  buttons->addWidget(Btn_OK);
  buttons->addWidget(Btn_Cancel);
  auto* page = new QVBoxLayout(this);
  page->addWidget(L_Prompt);
  page->addWidget(SG_IEDs, 1);
  page->addLayout(buttons);

  connect(Btn_Select_All, &QPushButton::clicked, SG_IEDs, &QTableWidget::selectAll);
  connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(SG_IEDs, &QTableWidget::cellDoubleClicked, this, [this] {
    if (!Chosen().empty()) accept();
  });
  connect(SG_IEDs->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TFIED_Chooser::Update_Buttons);
  for (int r = 0; r < SG_IEDs->rowCount(); ++r) {
    if (std::find(unwritable_.begin(), unwritable_.end(), static_cast<size_t>(r)) !=
        unwritable_.end())
      continue;
    SG_IEDs->setCurrentCell(r, 0);
    break;
  }
  Update_Buttons();
}

std::vector<size_t> TFIED_Chooser::Chosen() const {
  std::vector<size_t> rows;
  for (const QModelIndex& index : SG_IEDs->selectionModel()->selectedRows()) {
    const auto row = static_cast<size_t>(index.row());
    if (std::find(unwritable_.begin(), unwritable_.end(), row) == unwritable_.end())
      rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TFIED_Chooser::Update_Buttons() { Btn_OK->setEnabled(!Chosen().empty()); }
