// The access editor's tree panel: the filter bar above the tree of the server chosen. It shows a
// server's model handed to it (Show_Server) through Device_Tree_Model, and the filter through
// the server's filter index, which may come later than the server (Set_Index): until it is
// there, the whole tree is shown.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scl/scl_model.h"
#include "scl/tree_filter.h"
#include "text/lang_strings.h"
#include "util/worker_qt.h"

class QTreeView;

namespace UIEC_61850_Access {

class Device_Tree_Model;
class Tree_Filter_Bar;

class Tree_Panel : public QWidget {
  Q_OBJECT

 public:
  // Its texts come from `strings`, which outlives it.
  Tree_Panel(const lang::Lang_Strings& strings, QWidget* parent);
  void Set_Lang();

  // Shows the tree of `device`, filtered where the filter is active and `index` (the device's
  // filter index; null: not made yet) is there. The device and the index stay alive while shown.
  void Show_Server(UIEC_Client_Decode::TIEC_Device& device,
                   std::shared_ptr<const Tree_Index> index);
  // The filter index of the server shown, made after Show_Server.
  void Set_Index(std::shared_ptr<const Tree_Index> index);
  // Shows the tree of `device` at once and makes its filter index on a worker thread, which
  // hands it over (Set_Index) when done; the tree stays usable meanwhile.
  void Show_Server_Indexing(UIEC_Client_Decode::TIEC_Device& device);
  // Whether an index is being made for the server shown.
  bool Indexing() const { return index_job_ != nullptr; }
  // The index being made is not wanted any more (another server, or the editor closes).
  void Stop_Indexing();
  // No tree and no index: nothing points into a model any more.
  void Clear();
  // The server shown; null when the tree is empty.
  UIEC_Client_Decode::TIEC_Device* Device() const;

  // The object of the current node; null when there is none.
  UIEC_Client_Decode::TIEC_Object* Current_Object() const;
  // The objects of the selected nodes, in tree order.
  std::vector<UIEC_Client_Decode::TIEC_Object*> Selected_Objects() const;

  // Clears the filter when the configuration shown is another one than last time, and hides the
  // count (the tree is empty until a server is chosen).
  void Forget_Filter_Of_Other_Configuration(const std::string& conf_dir);

  // Makes a server's filter index on the worker thread; tests put in one that fails.
  std::function<std::shared_ptr<const Tree_Index>(const UIEC_Client_Decode::TIEC_Device& device,
                                                  util::Progress* progress)>
      Make_Index = [](const UIEC_Client_Decode::TIEC_Device& device, util::Progress* progress) {
        return std::make_shared<const Tree_Index>(device, progress);
      };

  Tree_Filter_Bar* Tree_Filter;
  QTreeView* TV_IEC_Device;
  Device_Tree_Model* Model;

 signals:
  // The current node changed, or a node was clicked.
  void Node_Picked();

 private:
  void Apply_Filter();

  const lang::Lang_Strings& strings_;
  UIEC_Client_Decode::TIEC_Device* device_ = nullptr;  // the server shown
  QPointer<ui::Background_Job> index_job_;             // making the index of device_
  std::shared_ptr<const Tree_Index> index_;
  QString index_failure_;        // why the index of device_ could not be made; empty: none failed
  std::string filter_conf_dir_;  // the configuration the filter was typed for
};

}  // namespace UIEC_61850_Access
