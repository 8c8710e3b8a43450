#include "check/check_report_dialog.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
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

// Up to this many findings, each row is as high as its wrapped message.
constexpr size_t Max_Fitted_Rows = 200;

// The object as the table shows it: a finding about an SCL file other than the one checked (a
// catalog file of a configuration) names that file first.
std::string Object_Text(const Finding& f, const std::string& subject) {
  if (!f.kind.empty() || f.object.empty() || f.file == subject) return f.object;
  return util::File_Name_Of(f.file) + ": " + f.object;
}

}  // namespace

// The table's rows: the report's findings, each cell worded when the view asks for it.
class Findings_Model : public QAbstractTableModel {
 public:
  Findings_Model(const std::vector<Finding>& findings, const std::string& subject,
                 const lang::Lang_Strings& strings, QObject* parent)
      : QAbstractTableModel(parent), findings_(findings), subject_(subject), strings_(strings) {}

  // The findings changed (all of them were shown).
  void Reset() {
    beginResetModel();
    endResetModel();
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(findings_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : Col_Count;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Finding& f = findings_[static_cast<size_t>(index.row())];
    if (role == Qt::ToolTipRole && index.column() == Col_Message) return Q(f.message);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
      case Col_Severity:
        return Q(
            strings_[f.severity == check::Severity::Error ? check_strings::Text_Severity_Error
                                                          : check_strings::Text_Severity_Warning]);
      case Col_Rule:
        return Q(f.rule);
      case Col_Line:
        return f.line ? QString::number(*f.line) : QString();
      case Col_Object:
        return Q(Object_Text(f, subject_));
      default:
        return Q(f.message);
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    using namespace access_strings;
    static constexpr int headers[Col_Count] = {Text_Report_Severity, Text_Report_Rule,
                                               Text_Report_Line, Text_Report_Object,
                                               Text_Report_Message};
    return section >= 0 && section < Col_Count ? Q(strings_[headers[section]]) : QVariant();
  }

 private:
  const std::vector<Finding>& findings_;
  const std::string& subject_;
  const lang::Lang_Strings& strings_;
};

TFCheck_Report::TFCheck_Report(std::vector<Finding> findings, Purpose purpose,
                               const std::string& subject, ui::Messages& messages,
                               const lang::Lang_Strings& strings, QWidget* parent)
    : QDialog(parent),
      findings_(std::move(findings)),
      subject_(subject),
      strings_(strings),
      messages_(messages),
      purpose_(purpose) {
  using namespace access_strings;
  auto T = [&strings](int text) { return Q(strings[text]); };
  setObjectName("FCheck_Report");
  setWindowTitle(T(Text_Report_Title));
  resize(900, 420);
  setSizeGripEnabled(true);
  // Values the device cannot take are never built on a click.
  blocked_ = purpose == Purpose::Build &&
             std::any_of(findings_.begin(), findings_.end(), check::Blocks_Build);

  L_Intro = new QLabel(this);
  L_Intro->setObjectName("L_Intro");
  L_Intro->setWordWrap(true);

  SG_Findings = new QTableView(this);
  SG_Findings->setObjectName("SG_Findings");
  model_ = new Findings_Model(findings_, subject_, strings_, this);
  SG_Findings->setModel(model_);
  SG_Findings->setSelectionBehavior(QAbstractItemView::SelectRows);
  SG_Findings->setSelectionMode(QAbstractItemView::ExtendedSelection);
  SG_Findings->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SG_Findings->verticalHeader()->setVisible(false);
  // The table never widens past the window: the message column takes the width left.
  SG_Findings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Fill_Table();

  L_Not_Shown = new QLabel(this);
  L_Not_Shown->setObjectName("L_Not_Shown");
  L_Not_Shown->setWordWrap(true);
  Btn_Show_All = new QPushButton(T(Text_Report_Show_Not_Shown), this);
  Btn_Show_All->setObjectName("Btn_Show_All");
  L_Not_Shown->hide();
  Btn_Show_All->hide();

  Btn_Copy = new QPushButton(T(Text_Copy), this);
  Btn_Copy->setObjectName("Btn_Copy");
  Btn_Save_Csv = new QPushButton(T(Text_Report_Save_Csv), this);
  Btn_Save_Csv->setObjectName("Btn_Save_Csv");
  const int go_on = purpose == Purpose::Add       ? Text_Report_Add_Anyway
                    : purpose == Purpose::Replace ? Text_Report_Replace_Anyway
                    : purpose == Purpose::Save    ? Text_Report_Save_Anyway
                                                  : Text_Report_Build_Anyway;
  Btn_Go_On = new QPushButton(T(go_on), this);
  Btn_Go_On->setObjectName("Btn_Go_On");
  Btn_Go_On->setVisible(purpose != Purpose::Show && !blocked_);
  Btn_Cancel = new QPushButton(
      T(purpose == Purpose::Show || blocked_ ? Text_Report_Close : Text_Dialog_Cancel), this);
  Btn_Cancel->setObjectName("Btn_Cancel");
  for (QPushButton* b : {Btn_Copy, Btn_Save_Csv, Btn_Go_On, Btn_Show_All}) b->setAutoDefault(false);
  Btn_Cancel->setDefault(true);

  auto* not_shown = new QHBoxLayout;
  not_shown->addWidget(L_Not_Shown, 1);
  not_shown->addWidget(Btn_Show_All);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Btn_Copy);
  buttons->addWidget(Btn_Save_Csv);
  buttons->addStretch(1);
  buttons->addWidget(Btn_Go_On);
  buttons->addWidget(Btn_Cancel);
  auto* page = new QVBoxLayout(this);
  page->addWidget(L_Intro);
  page->addWidget(SG_Findings, 1);
  page->addLayout(not_shown);
  page->addLayout(buttons);

  connect(Btn_Copy, &QPushButton::clicked, this, &TFCheck_Report::Btn_CopyClick);
  connect(Btn_Save_Csv, &QPushButton::clicked, this, &TFCheck_Report::Btn_Save_CsvClick);
  connect(Btn_Show_All, &QPushButton::clicked, this, &TFCheck_Report::Btn_Show_AllClick);
  connect(Btn_Go_On, &QPushButton::clicked, this, &QDialog::accept);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(SG_Findings, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    activated_ = static_cast<size_t>(index.row());
    reject();
  });

  Choose_Csv_File = [this, T] {
    std::string none;
    return ui::Choose_File_Path(this, Csv_Folder ? *Csv_Folder : none, ui::File_Dialog_Mode::Save,
                                T(Text_Report_Save_Csv), T(Text_Report_Csv_Filter), Q(Csv_Name));
  };
}

// The table goes first: its model reads the findings, which the dialog's members hold and which
// go before the dialog's children would.
TFCheck_Report::~TFCheck_Report() { delete SG_Findings; }

void TFCheck_Report::Fill_Table() {
  using namespace access_strings;
  check::Tally tally;
  for (const Finding& f : findings_) tally.Count(f);
  const int intro = purpose_ == Purpose::Add       ? Text_Report_Add_Intro
                    : purpose_ == Purpose::Replace ? Text_Report_Replace_Intro
                    : purpose_ == Purpose::Save    ? Text_Report_Save_Intro
                    : blocked_                     ? Text_Report_Build_Blocked_Intro
                    : purpose_ == Purpose::Build   ? Text_Report_Build_Intro
                                                   : Text_Report_Show_Intro;
  QString intro_text = Q(strings_[intro]).arg(tally.errors).arg(tally.warnings);
  if (purpose_ == Purpose::Add || purpose_ == Purpose::Replace)
    intro_text = intro_text.arg(Q(util::File_Name_Of(subject_)));
  L_Intro->setText(intro_text);

  model_->Reset();
  QHeaderView* header = SG_Findings->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  // The columns fit the first findings and those shown: measuring every one of a long report
  // would hold the window for as long as its rows once did.
  header->setResizeContentsPrecision(static_cast<int>(Max_Fitted_Rows));
  SG_Findings->resizeColumnsToContents();
  SG_Findings->setColumnWidth(Col_Object, std::min(SG_Findings->columnWidth(Col_Object), 260));
  // The message takes the width left and wraps there; each row is as high as its message. A
  // long report keeps rows of one line, its messages whole in their tooltips: fitting every
  // row lays out every message again at each change of size, for seconds on a large file's
  // tens of thousands of findings.
  header->setSectionResizeMode(Col_Message, QHeaderView::Stretch);
  const bool fitted = findings_.size() <= Max_Fitted_Rows;
  SG_Findings->setWordWrap(fitted);
  SG_Findings->verticalHeader()->setSectionResizeMode(fitted ? QHeaderView::ResizeToContents
                                                             : QHeaderView::Fixed);
}

void TFCheck_Report::Set_Not_Shown(std::vector<Finding> not_shown) {
  not_shown_ = std::move(not_shown);
  L_Not_Shown->setText(Q(strings_[access_strings::Text_Report_Not_Shown])
                           .arg(static_cast<qulonglong>(not_shown_.size())));
  L_Not_Shown->setVisible(!not_shown_.empty());
  Btn_Show_All->setVisible(!not_shown_.empty());
}

void TFCheck_Report::Btn_Show_AllClick() {
  for (Finding& f : not_shown_) findings_.push_back(std::move(f));
  not_shown_.clear();
  Fill_Table();
  L_Not_Shown->hide();
  Btn_Show_All->hide();
}

void TFCheck_Report::Btn_CopyClick() {
  // The selected findings, or all when none is selected, as tab-separated lines.
  QString text;
  const auto selected = SG_Findings->selectionModel()->selectedRows();
  for (int r = 0; r < model_->rowCount(); ++r) {
    if (!selected.isEmpty() && !SG_Findings->selectionModel()->isRowSelected(r, QModelIndex()))
      continue;
    for (int c = 0; c < Col_Count; ++c) {
      if (c > 0) text += '\t';
      text += model_->index(r, c).data().toString();
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
    messages_.Error(this, util::Error_Text(failure, strings_));
  }
}

std::string Report_Csv_Name(const std::string& conf_dir) {
  std::string folder = conf_dir;
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  const std::string name = util::File_Name_Of(folder);
  return (name.empty() ? std::string("configuration") : name) + "-check.csv";
}

bool Check_Report_Go_On(QWidget* parent, ui::Messages& messages, const lang::Lang_Strings& strings,
                        std::vector<Finding> findings, TFCheck_Report::Purpose purpose,
                        const std::string& subject, std::optional<Finding>* activated,
                        std::string* csv_folder, const std::string& csv_name,
                        std::vector<Finding> not_shown) {
  if (findings.empty() && purpose != TFCheck_Report::Purpose::Show) return true;
  TFCheck_Report report(std::move(findings), purpose, subject, messages, strings, parent);
  report.Csv_Folder = csv_folder;
  report.Csv_Name = csv_name;
  report.Set_Not_Shown(std::move(not_shown));
  const bool go_on = report.exec() == QDialog::Accepted;
  if (activated && report.Activated()) *activated = report.Findings()[*report.Activated()];
  return go_on && purpose != TFCheck_Report::Purpose::Show;
}
