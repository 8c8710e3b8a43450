#include "access_ui/tree_panel_qt.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "access_ui/device_tree_model_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/worker_qt.h"

namespace UIEC_61850_Access {

using UIEC_Client_Decode::TIEC_Device;
using UIEC_Client_Decode::TIEC_Object;

Tree_Panel::Tree_Panel(const lang::Lang_Strings& strings, QWidget* parent)
    : QWidget(parent), strings_(strings) {
  setObjectName("Tree_Panel");
  Tree_Filter = new Tree_Filter_Bar(strings, this);
  TV_IEC_Device = new QTreeView(this);
  TV_IEC_Device->setObjectName("TV_IEC_Device");
  TV_IEC_Device->setHeaderHidden(true);
  TV_IEC_Device->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TV_IEC_Device->setUniformRowHeights(true);
  TV_IEC_Device->setIconSize(QSize(16, 16));
  // Ctrl and Shift select several attributes for one Add Var.
  TV_IEC_Device->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Model = new Device_Tree_Model(strings, this);
  TV_IEC_Device->setModel(Model);
  Extend_From_Last_Click(TV_IEC_Device);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(Tree_Filter);
  column->addWidget(TV_IEC_Device, 1);

  connect(TV_IEC_Device->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &Tree_Panel::Node_Picked);
  connect(TV_IEC_Device, &QTreeView::clicked, this, &Tree_Panel::Node_Picked);
  connect(Tree_Filter, &Tree_Filter_Bar::Changed, this, &Tree_Panel::Apply_Filter);
}

void Tree_Panel::Set_Lang() {
  Tree_Filter->Set_Lang();
  TV_IEC_Device->viewport()->update();  // data set nodes say their counts in the new language
}

void Tree_Panel::Show_Server(TIEC_Device& device, std::shared_ptr<const Tree_Index> index) {
  Stop_Indexing();
  device_ = &device;
  index_ = std::move(index);
  Tree_Filter->Set_FCs(index_ ? index_->FCs() : std::vector<std::string>());
  Apply_Filter();
  TV_IEC_Device->scrollToTop();  // another server's tree starts at its top
}

void Tree_Panel::Set_Index(std::shared_ptr<const Tree_Index> index) {
  index_ = std::move(index);
  if (!index_) return;
  Tree_Filter->Set_FCs(index_->FCs());
  if (Tree_Filter->Active()) Apply_Filter();
}

void Tree_Panel::Show_Server_Indexing(TIEC_Device& device) {
  Show_Server(device, nullptr);
  index_failure_.clear();
  // The worker only reads the model, which stays as it is while its tree is shown: a change of
  // the server (Replace, Remove) clears the tree first, and that stops the job.
  auto made = std::make_shared<std::shared_ptr<const Tree_Index>>();
  auto* job = new ui::Background_Job(this, ui::Q(util::File_Name_Of(device.FileName())), strings_,
                                     [made, &device, make = Make_Index](util::Progress& progress) {
                                       *made = make(device, &progress);
                                     });
  job->Without_Dialog();
  index_job_ = job;
  connect(job, &ui::Background_Job::Finished, this, [this, job, made] {
    index_job_ = nullptr;
    job->deleteLater();
    Set_Index(std::move(*made));
  });
  // Without an index the whole tree stays shown, and the filter says why it finds nothing.
  connect(job, &ui::Background_Job::Stopped, this, [this, job] {
    index_job_ = nullptr;
    job->deleteLater();
  });
  connect(job, &ui::Background_Job::Failed, this, [this, job](const QString& reason) {
    index_job_ = nullptr;
    job->deleteLater();
    index_failure_ = reason;
    Tree_Filter->Show_Unavailable(reason);
  });
}

void Tree_Panel::Stop_Indexing() {
  // Destroying the job stops the worker and waits for it; no signal comes after.
  delete index_job_.data();
  index_job_ = nullptr;
}

void Tree_Panel::Clear() {
  Stop_Indexing();
  device_ = nullptr;
  index_.reset();
  index_failure_.clear();
  Model->Clear();
}

TIEC_Device* Tree_Panel::Device() const { return device_; }

void Tree_Panel::Apply_Filter() {
  TIEC_Device* device = device_;
  if (device == nullptr) {
    Tree_Filter->Show_Count({});
    return;
  }
  TV_IEC_Device->setUpdatesEnabled(false);
  if (!Tree_Filter->Active() || !index_) {
    if (index_)
      Tree_Filter->Show_Count({});
    else if (!index_failure_.isEmpty())
      Tree_Filter->Show_Unavailable(index_failure_);
    else
      Tree_Filter->Show_Indexing();  // the whole tree until the index comes
    Model->Show_Device(*device);
    // The server, its logical devices and their nodes unfolded.
    TV_IEC_Device->expandRecursively(Model->index(0, 0), 2);
  } else {
    const Tree_Index::Result result =
        index_->Filter(Tree_Filter->Text(), Tree_Filter->FC(), Max_Filter_Matches);
    Model->Show_Filtered(*device, *index_, result);
    // Every node shown with children leads to a match; one layout for all of them.
    TV_IEC_Device->expandAll();
    Tree_Filter->Show_Count(result);
  }
  TV_IEC_Device->setUpdatesEnabled(true);
}

TIEC_Object* Tree_Panel::Current_Object() const {
  return Model->Object_At(TV_IEC_Device->currentIndex());
}

std::vector<TIEC_Object*> Tree_Panel::Selected_Objects() const {
  QModelIndexList selected = TV_IEC_Device->selectionModel()->selectedRows();
  std::sort(selected.begin(), selected.end(), &Device_Tree_Model::Before);
  std::vector<TIEC_Object*> objects;
  for (const QModelIndex& index : selected) objects.push_back(Model->Object_At(index));
  return objects;
}

void Tree_Panel::Forget_Filter_Of_Other_Configuration(const std::string& conf_dir) {
  // The tree is empty until a server is chosen: no count over it. A filter typed for another
  // configuration would only hide the nodes of this one.
  if (filter_conf_dir_ != conf_dir) Tree_Filter->Clear();
  Tree_Filter->L_Tree_Matches->hide();
  filter_conf_dir_ = conf_dir;
}

}  // namespace UIEC_61850_Access
