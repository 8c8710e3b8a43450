#include "access_ui/ied_chooser_dialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "access/access_strings.h"
#include "util/qstring_qt.h"

using UIEC_Client_Decode::IED_Info;

using ui::Q;

TFIED_Chooser::TFIED_Chooser(const std::string& file_name, const std::vector<IED_Info>& ieds,
                             const lang::Lang_Strings& strings, QWidget* parent,
                             const std::vector<std::string>& in_catalog)
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

  constexpr int Columns = 7;
  SG_IEDs = new QTableWidget(static_cast<int>(ieds.size()), Columns, this);
  SG_IEDs->setObjectName("SG_IEDs");
  SG_IEDs->setHorizontalHeaderLabels({T(Text_Chooser_Name), T(Text_Chooser_Manufacturer),
                                      T(Text_Chooser_Type), T(Text_Chooser_Desc),
                                      T(Text_Chooser_IP), T(Text_Chooser_Server),
                                      T(Text_Chooser_In_Catalog)});
  SG_IEDs->setSelectionBehavior(QAbstractItemView::SelectRows);
  SG_IEDs->setSelectionMode(QAbstractItemView::ExtendedSelection);
  SG_IEDs->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SG_IEDs->verticalHeader()->setDefaultSectionSize(SG_IEDs->fontMetrics().height() + 8);
  for (int r = 0; r < SG_IEDs->rowCount(); ++r) {
    const auto i = static_cast<size_t>(r);
    const IED_Info& ied = ieds[i];
    const std::string catalog_file = i < in_catalog.size() ? in_catalog[i] : std::string();
    const std::string cells[Columns] = {ied.name,    ied.manufacturer,
                                        ied.type,    ied.desc,
                                        ied.ip,      strings[ied.server ? Text_Yes : Text_No],
                                        catalog_file};
    // An IED whose name no file can hold, or without a server (nothing the gateway could read),
    // cannot be chosen; the row says why.
    QString refusal;
    if (!UIEC_Client_Decode::Is_Writable_IED_Name(ied.name))
      refusal = T(Text_Chooser_Name_Not_Xml);
    else if (!ied.server)
      refusal = T(Text_Chooser_No_Server);
    if (!refusal.isEmpty()) unchoosable_.push_back(i);
    for (int c = 0; c < Columns; ++c) {
      auto* item = new QTableWidgetItem(Q(cells[c]));
      if (!refusal.isEmpty()) {
        item->setForeground(QColor(0x80, 0x80, 0x80));
        item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        item->setToolTip(refusal);
      } else if (!catalog_file.empty()) {
        item->setToolTip(T(Text_Chooser_In_Catalog_Hint).replace("%1", Q(catalog_file)));
      }
      SG_IEDs->setItem(r, c, item);
    }
  }
  // Every column as wide as what it holds; the window widens to show them, up to the screen.
  SG_IEDs->resizeColumnsToContents();
  SG_IEDs->horizontalHeader()->setStretchLastSection(true);
  int table_width = SG_IEDs->verticalHeader()->width() + 2 * SG_IEDs->frameWidth() + 40;
  for (int c = 0; c < Columns; ++c) table_width += SG_IEDs->columnWidth(c);
  int wanted = std::max(width(), table_width);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    wanted = std::min(wanted, screen->availableGeometry().width() - 40);
  resize(std::max(width(), wanted), height());

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
    if (std::find(unchoosable_.begin(), unchoosable_.end(), static_cast<size_t>(r)) !=
        unchoosable_.end())
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
    if (std::find(unchoosable_.begin(), unchoosable_.end(), row) == unchoosable_.end())
      rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TFIED_Chooser::Update_Buttons() { Btn_OK->setEnabled(!Chosen().empty()); }
