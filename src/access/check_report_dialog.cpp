#include "access/check_report_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <utility>

#include "access/access_strings.h"
#include "check/check_strings.h"
#include "util/file_dialog_qt.h"
#include "util/files.h"
#include "util/qstring_qt.h"

using check::Finding;
using ui::Q;

namespace {

enum Report_Col { Col_Severity, Col_Rule, Col_Line, Col_Object, Col_Message, Col_Count };

// The object as the table shows it: a finding about an SCL file other than the one checked (a
// catalog file of a configuration) names that file first.
std::string Object_Text(const Finding& f, const std::string& subject) {
  if (!f.kind.empty() || f.object.empty() || f.file == subject) return f.object;
  return util::File_Name_Of(f.file) + ": " + f.object;
}

}  // namespace

TFCheck_Report::TFCheck_Report(std::vector<Finding> findings, Purpose purpose,
                               const std::string& subject, ui::Messages& messages,
                               const lang::Lang_Strings& strings, QWidget* parent)
    : QDialog(parent), findings_(std::move(findings)), messages_(messages) {
  using namespace access_strings;
  auto T = [&strings](int text) { return Q(strings[text]); };
  setObjectName("FCheck_Report");
  setWindowTitle(T(Text_Report_Title));
  resize(900, 420);
  setSizeGripEnabled(true);

  check::Tally tally;
  for (const Finding& f : findings_) tally.Count(f);
  const int intro = purpose == Purpose::Add     ? Text_Report_Add_Intro
                    : purpose == Purpose::Save  ? Text_Report_Save_Intro
                    : purpose == Purpose::Build ? Text_Report_Build_Intro
                                                : Text_Report_Show_Intro;
  QString intro_text = T(intro).arg(tally.errors).arg(tally.warnings);
  if (purpose == Purpose::Add) intro_text = intro_text.arg(Q(util::File_Name_Of(subject)));
  L_Intro = new QLabel(intro_text, this);
  L_Intro->setObjectName("L_Intro");
  L_Intro->setWordWrap(true);

  SG_Findings = new QTableWidget(static_cast<int>(findings_.size()), Col_Count, this);
  SG_Findings->setObjectName("SG_Findings");
  SG_Findings->setHorizontalHeaderLabels({T(Text_Report_Severity), T(Text_Report_Rule),
                                          T(Text_Report_Line), T(Text_Report_Object),
                                          T(Text_Report_Message)});
  SG_Findings->setSelectionBehavior(QAbstractItemView::SelectRows);
  SG_Findings->setSelectionMode(QAbstractItemView::ExtendedSelection);
  SG_Findings->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SG_Findings->verticalHeader()->setVisible(false);
  SG_Findings->horizontalHeader()->setStretchLastSection(true);
  for (int r = 0; r < static_cast<int>(findings_.size()); ++r) {
    const Finding& f = findings_[static_cast<size_t>(r)];
    const int severity = f.severity == check::Severity::Error
                             ? check_strings::Text_Severity_Error
                             : check_strings::Text_Severity_Warning;
    const std::string cells[Col_Count] = {strings[severity], f.rule,
                                          f.line ? std::to_string(*f.line) : std::string(),
                                          Object_Text(f, subject), f.message};
    for (int c = 0; c < Col_Count; ++c) {
      auto* item = new QTableWidgetItem(Q(cells[c]));
      if (c == Col_Message) item->setToolTip(Q(f.message));
      SG_Findings->setItem(r, c, item);
    }
  }
  SG_Findings->resizeColumnsToContents();
  SG_Findings->setColumnWidth(Col_Object, std::min(SG_Findings->columnWidth(Col_Object), 260));

  Btn_Copy = new QPushButton(T(Text_Copy), this);
  Btn_Copy->setObjectName("Btn_Copy");
  Btn_Save_Csv = new QPushButton(T(Text_Report_Save_Csv), this);
  Btn_Save_Csv->setObjectName("Btn_Save_Csv");
  const int go_on = purpose == Purpose::Add    ? Text_Report_Add_Anyway
                    : purpose == Purpose::Save ? Text_Report_Save_Anyway
                                               : Text_Report_Build_Anyway;
  Btn_Go_On = new QPushButton(T(go_on), this);
  Btn_Go_On->setObjectName("Btn_Go_On");
  Btn_Go_On->setVisible(purpose != Purpose::Show);
  Btn_Cancel =
      new QPushButton(T(purpose == Purpose::Show ? Text_Report_Close : Text_Dialog_Cancel), this);
  Btn_Cancel->setObjectName("Btn_Cancel");
  for (QPushButton* b : {Btn_Copy, Btn_Save_Csv, Btn_Go_On}) b->setAutoDefault(false);
  Btn_Cancel->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Btn_Copy);
  buttons->addWidget(Btn_Save_Csv);
  buttons->addStretch(1);
  buttons->addWidget(Btn_Go_On);
  buttons->addWidget(Btn_Cancel);
  auto* page = new QVBoxLayout(this);
  page->addWidget(L_Intro);
  page->addWidget(SG_Findings, 1);
  page->addLayout(buttons);

  connect(Btn_Copy, &QPushButton::clicked, this, &TFCheck_Report::Btn_CopyClick);
  connect(Btn_Save_Csv, &QPushButton::clicked, this, &TFCheck_Report::Btn_Save_CsvClick);
  connect(Btn_Go_On, &QPushButton::clicked, this, &QDialog::accept);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(SG_Findings, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    activated_ = static_cast<size_t>(row);
    reject();
  });

  Choose_Csv_File = [this, T] {
    std::string none;
    return ui::Choose_File_Path(this, Csv_Folder ? *Csv_Folder : none, ui::File_Dialog_Mode::Save,
                                T(Text_Report_Save_Csv), T(Text_Report_Csv_Filter));
  };
}

void TFCheck_Report::Btn_CopyClick() {
  // The selected findings, or all when none is selected, as tab-separated lines.
  QString text;
  const auto selected = SG_Findings->selectionModel()->selectedRows();
  for (int r = 0; r < SG_Findings->rowCount(); ++r) {
    if (!selected.isEmpty() && !SG_Findings->selectionModel()->isRowSelected(r, QModelIndex()))
      continue;
    for (int c = 0; c < Col_Count; ++c) {
      if (c > 0) text += '\t';
      text += SG_Findings->item(r, c)->text();
    }
    text += '\n';
  }
  QApplication::clipboard()->setText(text);
}

void TFCheck_Report::Btn_Save_CsvClick() {
  const std::string path = Choose_Csv_File ? Choose_Csv_File() : std::string();
  if (path.empty()) return;
  try {
    util::Write_File_Atomic(path, check::Findings_Csv(findings_));
  } catch (const std::exception& failure) {
    messages_.Error(this, failure.what());
  }
}

bool Check_Report_Go_On(QWidget* parent, ui::Messages& messages, const lang::Lang_Strings& strings,
                        std::vector<Finding> findings, TFCheck_Report::Purpose purpose,
                        const std::string& subject, std::optional<Finding>* activated,
                        std::string* csv_folder) {
  if (findings.empty() && purpose != TFCheck_Report::Purpose::Show) return true;
  TFCheck_Report report(std::move(findings), purpose, subject, messages, strings, parent);
  report.Csv_Folder = csv_folder;
  const bool go_on = report.exec() == QDialog::Accepted;
  if (activated && report.Activated()) *activated = report.Findings()[*report.Activated()];
  return go_on && purpose != TFCheck_Report::Purpose::Show;
}
