// Step 4 from the main window: the check of the saved configuration, whose errors are asked about
// once; the image build on a worker thread with its writes here; the image pair checked before
// the build replaces it and again before the update dialog sends it.
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/workspace.h"
#include "check/check.h"
#include "check/check_report_dialog.h"
#include "image/image_build.h"
#include "image/image_strings.h"
#include "update/boot_dialog.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/text.h"
#include "util/worker_qt.h"

using ui::Q;

void TFVarnoscopioFirmWare::Update_Device() {
  const std::string bin = USaveBincc::Bin_Dir(ctx_.Active_Conf_Dir);
  try {
    app::Require_Conf_Folders(ctx_);
  } catch (const std::exception& failure) {
    messages_.Error(this, util::Error_Text(failure, ctx_.Lang_Strings));
    return;
  }
  if (!Data_Map_Accepted()) return;
  // Images of two builds left by an interrupted build are named before this build replaces them.
  if (const auto mixed = USaveBincc::Check_Bank_Pair(bin, ctx_.Lang_Strings))
    messages_.Warning(this,
                      *mixed + "\n" + ctx_.Lang_Strings[image_strings::Text_Bank_Pair_Replaced]);
  // The build reads the configuration's files on a worker thread; only its writes, which a
  // Cancel during the build never reaches, run here.
  auto build = std::make_unique<USaveBincc::Image_Build>();
  const ui::Job_Outcome built =
      ui::Run_And_Wait(this, Q(util::File_Name_Of(ctx_.Active_Conf_Dir)), ctx_.Lang_Strings,
                       [&build, &texts = ctx_.Lang_Strings, pargen = ctx_.ParGen_File,
                        client = ctx_.IEC_Client_File](util::Progress& progress) {
                         progress.Start(image_strings::Text_Building_Images, 0);
                         build->Build_Image(pargen, client, texts);
                         progress.Poll();
                       });
  if (built.end == ui::Job_Outcome::End::Stopped) return;
  try {
    if (built.end == ui::Job_Outcome::End::Failed) throw std::runtime_error(built.message);
    build->Save_Image_Files(ctx_.Active_Conf_Dir, ctx_.Lang_Strings);
  } catch (const std::exception& failure) {
    messages_.Error(this, util::Error_Text(failure, ctx_.Lang_Strings));
    return;
  }
  // The updater sends what bin holds: never a pair of two builds.
  if (const auto mixed = USaveBincc::Check_Bank_Pair(bin, ctx_.Lang_Strings)) {
    messages_.Error(this, *mixed);
    return;
  }
  FBoot->Form_Type = 1;
  FBoot->exec();
}

bool TFVarnoscopioFirmWare::Data_Map_Accepted() {
  if (!util::File_Exists(ctx_.IEC_Client_File)) return true;
  // The check of the saved configuration (conflicts of the data map included): its errors are
  // asked about once.
  std::vector<check::Finding> errors, not_shown;
  check::Conf_Options options;
  options.separator = util::Get_Dec_Separator();
  options.bank_pair = false;  // named below, before the build replaces them
  // On a worker thread, which fills the two lists; they are read here once it has ended.
  const ui::Job_Outcome checked =
      ui::Run_And_Wait(this, Q(util::File_Name_Of(ctx_.IEC_Client_File)), ctx_.Lang_Strings,
                       [&](util::Progress& progress) {
                         options.progress = &progress;
                         check::Check_Configuration(
                             ctx_.Active_Conf_Dir, options,
                             [&](const check::Finding& f) {
                               if (f.severity == check::Severity::Error)
                                 (f.concerns_rows ? errors : not_shown).push_back(f);
                             },
                             ctx_.Lang_Strings);
                       });
  if (checked.end == ui::Job_Outcome::End::Stopped) return false;  // Cancel: no build
  // A failure: the image build reports why the file cannot be read.
  if (checked.end == ui::Job_Outcome::End::Failed) return true;
  // Errors that put invalid values into the images leave only Close (check::Blocks_Build).
  return Check_Report_Go_On(this, messages_, ctx_.Lang_Strings, std::move(errors),
                            TFCheck_Report::Purpose::Build, {}, nullptr,
                            &ctx_.Last_Folders.Report_File, Report_Csv_Name(ctx_.Active_Conf_Dir),
                            std::move(not_shown));
}
