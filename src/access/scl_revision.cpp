#include "access/scl_revision.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "access/access_strings.h"
#include "scl/model_walk.h"
#include "util/files.h"
#include "util/text.h"

namespace UIEC_61850_Access {

using UIEC_Client_Decode::TIEC_DO;

namespace {

constexpr size_t No_Place = std::numeric_limits<size_t>::max();

enum class Match { Kept, Corrected, Moved, Changed, Lost };

// A member to place in a data set: what it was, and the place it had.
struct Member_Key {
  std::string_view reference, bType, fc;
  size_t own_place = No_Place;
};

struct Placed {
  Match match = Match::Lost;
  size_t place = No_Place;
};

// The rounds of the header's classification. Without `compare_fc` the fc is not looked at (the
// client file keeps none). With `earlier_round`, for stored members (own place: the stored
// number), a member that the data set's earlier look-ups gave at its stored number takes the
// place of the member the same FCDA gives now, before any member follows its reference.
std::vector<Placed> Place_Members(const TIEC_DataSet& data_set, const std::vector<Member_Key>& keys,
                                  bool compare_fc, bool earlier_round) {
  const size_t count = data_set.List_DA.size();
  std::vector<std::string> references(count);
  // The places of each reference in order, so that a member looks only at its own candidates.
  std::unordered_map<std::string_view, std::vector<size_t>> places_of;
  for (size_t j = 0; j < count; ++j) references[j] = data_set.List_DA[j]->Reference();
  for (size_t j = 0; j < count; ++j) places_of[references[j]].push_back(j);
  std::vector<bool> taken(count, false);
  std::vector<Placed> placed(keys.size());
  auto same = [&](size_t j, const Member_Key& key) {
    const TIEC_DA& da = *data_set.List_DA[j];
    return references[j] == key.reference && da.bType() == key.bType &&
           (!compare_fc || da.FC() == key.fc);
  };
  auto take = [&](size_t i, size_t j, Match match) {
    taken[j] = true;
    placed[i] = {match, j};
  };
  // The first place not taken with the member's reference for which `fits` holds.
  auto first_free = [&](const Member_Key& key, auto&& fits) -> size_t {
    const auto candidates = places_of.find(key.reference);
    if (candidates == places_of.end()) return No_Place;
    for (size_t j : candidates->second)
      if (!taken[j] && fits(j)) return j;
    return No_Place;
  };
  for (size_t i = 0; i < keys.size(); ++i) {
    const size_t own = keys[i].own_place;
    if (own < count && !taken[own] && same(own, keys[i])) take(i, own, Match::Kept);
  }
  if (earlier_round && data_set.Has_Earlier_Members()) {
    const auto* earlier = data_set.Earlier_Members_Begin();
    const size_t earlier_count = data_set.Earlier_Member_Count();
    for (size_t i = 0; i < keys.size(); ++i) {
      const size_t k = keys[i].own_place;
      if (placed[i].place != No_Place || k >= earlier_count) continue;
      const UIEC_Client_Decode::Earlier_Member& e = earlier[k];
      if (e.place == UIEC_Client_Decode::No_Member_Place || e.place >= count || taken[e.place])
        continue;
      if (e.da->bType() == keys[i].bType && e.da->Reference() == keys[i].reference)
        take(i, e.place, Match::Corrected);
    }
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    if (placed[i].place != No_Place) continue;
    const size_t j = first_free(keys[i], [&](size_t k) { return same(k, keys[i]); });
    if (j != No_Place) take(i, j, Match::Moved);
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    if (placed[i].place != No_Place) continue;
    const size_t own = keys[i].own_place;
    const size_t j = own < count && !taken[own] && references[own] == keys[i].reference
                         ? own
                         : first_free(keys[i], [](size_t) { return true; });
    if (j != No_Place) take(i, j, Match::Changed);
  }
  return placed;
}

// Each attribute of `device` (leaves and structures) by its reference.
// The attributes of `device` whose references are among `wanted`, by reference: only the few the
// rows name are kept, so a revision of a million attributes costs no table of its references.
std::unordered_multimap<std::string, const TIEC_DA*> Attributes_By_Reference(
    const TIEC_Device& device, const std::unordered_set<std::string>& wanted,
    util::Progress* progress) {
  std::unordered_multimap<std::string, const TIEC_DA*> index;
  util::Progress_Steps steps(progress);
  For_Each_Object(device, [&](auto& object) {
    steps.Step();
    if constexpr (std::is_same_v<std::remove_cv_t<std::remove_reference_t<decltype(object)>>,
                                 TIEC_DA>) {
      std::string reference = object.Reference();
      if (wanted.count(reference)) index.emplace(std::move(reference), &object);
    }
  });
  steps.Flush();
  return index;
}

bool Names_Server(const Table& table, int row, int position) {
  return util::Str_To_Int_Def(table.Cell(row, 1), -1) == position;
}

// The places of a record's members in its data set: the record lists them in the data set's
// order, so each is the next occurrence of its attribute (an attribute may be a member twice).
std::vector<size_t> Own_Places(const TDataSet& record) {
  std::vector<size_t> places;
  const auto& model = record.Select_DataSet->List_DA;
  size_t next = 0;
  for (const TDataSet_DA& member : record.List_DAs) {
    size_t found = No_Place;
    for (size_t j = next; j < model.size() && found == No_Place; ++j)
      if (model[j] == member.Select_DA) found = j;
    for (size_t j = 0; j < next && found == No_Place; ++j)
      if (model[j] == member.Select_DA) found = j;
    places.push_back(found);
    if (found != No_Place) next = found + 1;
  }
  return places;
}

// One data set row of the replaced server, matched to the new model.
struct Row_Match {
  size_t row = 0;
  TIEC_DataSet* data_set = nullptr;  // in the new model; null when gone
  std::string reference;             // the data set's reference
  std::vector<Placed> members;       // one per member of the record
};

// The data set rows that belong to server `position`: their record points into its model, or
// (without a data set) their "Index" names it. Rows whose record points into another server are
// not touched by the replacement.
std::vector<Row_Match> Match_Data_Sets(const Access_State& state, int position,
                                       const TIEC_Device& revised,
                                       util::Progress* progress = nullptr) {
  std::vector<Row_Match> rows;
  const TIEC_Device& old = *state.List_IEC_Dev[static_cast<size_t>(position)];
  if (state.ACG_DataSet.Counts_As_Empty()) return rows;
  for (size_t r = 0; r < state.List_DataSet.size(); ++r) {
    util::Poll(progress);
    const TDataSet& record = state.List_DataSet[r];
    const bool ours = record.Select_DataSet
                          ? Device_Has_DataSet(old, record.Select_DataSet)
                          : Names_Server(state.ACG_DataSet, static_cast<int>(r), position);
    if (!ours) continue;
    Row_Match match;
    match.row = r;
    match.reference = record.Select_DataSet
                          ? record.Select_DataSet->Reference()
                          : state.ACG_DataSet.Cell(static_cast<int>(r), DS_Col::Reference);
    match.data_set = Find_DataSet(
        revised, [&](const TIEC_DataSet& ds) { return ds.Reference() == match.reference; });
    match.members.resize(record.List_DAs.size());
    if (match.data_set) {
      // Members kept without their data set have their stored number as their place, and no fc.
      std::vector<size_t> own;
      if (record.Select_DataSet)
        own = Own_Places(record);
      else
        for (size_t k = 0; k < record.List_DAs.size(); ++k) own.push_back(k);
      std::vector<std::string> references;
      references.reserve(record.List_DAs.size());
      for (const TDataSet_DA& m : record.List_DAs) references.push_back(m.Reference());
      std::vector<Member_Key> keys;
      for (size_t k = 0; k < record.List_DAs.size(); ++k) {
        const TDataSet_DA& m = record.List_DAs[k];
        const std::string_view fc = m.Select_DA ? std::string_view(m.Select_DA->FC()) : "";
        keys.push_back({references[k], m.bType(), fc, own[k]});
      }
      match.members = Place_Members(*match.data_set, keys, record.Select_DataSet != nullptr, false);
    }
    rows.push_back(std::move(match));
  }
  return rows;
}

}  // namespace

Replace_Impact Impact_Of_Replace(const Access_State& state, int position,
                                 const TIEC_Device& revised, util::Progress* progress) {
  Replace_Impact impact;
  if (position < 0 || position >= static_cast<int>(state.List_IEC_Dev.size())) return impact;
  util::Start(progress, access_strings::Text_Weighing_Impact, 0);

  if (!state.ACG_DA.Counts_As_Empty()) {
    std::unordered_set<std::string> wanted;
    for (int r = 0; r < state.ACG_DA.Row_Count(); ++r)
      if (Names_Server(state.ACG_DA, r, position))
        wanted.insert(state.ACG_DA.Cell(r, DA_Col::Reference));
    const auto attributes = Attributes_By_Reference(revised, wanted, progress);
    for (int r = 0; r < state.ACG_DA.Row_Count(); ++r) {
      if (!Names_Server(state.ACG_DA, r, position)) continue;
      const std::string& reference = state.ACG_DA.Cell(r, DA_Col::Reference);
      Impact_Entry entry{"variable", r + 1, std::nullopt, reference, std::nullopt};
      const auto [first, last] = attributes.equal_range(reference);
      if (first == last) {
        impact.lost.push_back(std::move(entry));
        continue;
      }
      const bool same = std::any_of(first, last, [&](const auto& found) {
        return found.second->bType() == state.ACG_DA.Cell(r, DA_Col::bType) &&
               found.second->FC() == state.ACG_DA.Cell(r, DA_Col::fc);
      });
      (same ? impact.kept : impact.changed).push_back(std::move(entry));
    }
  }

  for (const Row_Match& match : Match_Data_Sets(state, position, revised, progress)) {
    const TDataSet& record = state.List_DataSet[match.row];
    const int row = static_cast<int>(match.row) + 1;
    if (!match.data_set) impact.data_sets_gone.push_back(match.reference);
    for (size_t k = 0; k < match.members.size(); ++k) {
      Impact_Entry entry{"member", row, static_cast<int>(k) + 1, record.List_DAs[k].Reference(),
                         std::nullopt};
      if (match.members[k].place != No_Place)
        entry.new_member = static_cast<int>(match.members[k].place) + 1;
      switch (match.members[k].match) {
        case Match::Kept:
        case Match::Corrected:
          impact.kept.push_back(std::move(entry));
          break;
        case Match::Moved:
          impact.moved.push_back(std::move(entry));
          break;
        case Match::Changed:
          impact.changed.push_back(std::move(entry));
          break;
        case Match::Lost:
          impact.lost.push_back(std::move(entry));
          break;
      }
    }
  }
  return impact;
}

void Replace_Server_Model(Access_State& state, int position, std::unique_ptr<TIEC_Device> revised) {
  if (position < 0 || position >= static_cast<int>(state.List_IEC_Dev.size()))
    throw std::out_of_range("Replace_Server_Model: no server at this position");
  if (!revised) throw std::invalid_argument("Replace_Server_Model: no model");

  // Every new record is made before anything changes, so nothing is left half replaced.
  std::vector<std::pair<size_t, TDataSet>> records;
  for (const Row_Match& match : Match_Data_Sets(state, position, *revised)) {
    const TDataSet& old = state.List_DataSet[match.row];
    TDataSet record;
    record.Select_DataSet = match.data_set;
    if (match.data_set) {
      std::vector<std::pair<size_t, TDataSet_DA>> kept;
      for (size_t k = 0; k < match.members.size(); ++k) {
        if (match.members[k].match == Match::Lost) continue;
        const TDataSet_DA& member = old.List_DAs[k];
        TDataSet_DA settings = member;
        settings.Select_DA = match.data_set->List_DA[match.members[k].place];
        settings.Stored_Reference.clear();
        // A changed bType is remembered until the next save, so that the row is marked.
        const std::string former = member.Select_DA ? member.Former_bType() : member.Stored_bType;
        const std::string& stored = former.empty() ? member.bType() : former;
        settings.Stored_bType = stored != settings.Select_DA->bType() ? stored : std::string();
        kept.push_back({match.members[k].place, std::move(settings)});
      }
      record.List_DAs = Arrange_Members(*match.data_set, std::move(kept));
    } else {
      // A data set the revision removed keeps its members and their settings, without their
      // attributes, until the user removes its row.
      for (const TDataSet_DA& member : old.List_DAs) {
        TDataSet_DA settings = member;
        settings.Stored_bType = member.bType();
        settings.Stored_Reference = member.Reference();
        settings.Select_DA = nullptr;
        record.List_DAs.push_back(std::move(settings));
      }
    }
    records.push_back({match.row, std::move(record)});
  }

  revised->Set_FileName(state.List_IEC_Dev[static_cast<size_t>(position)]->FileName());
  state.Clear_Selection();
  state.DataSet_Row_Select = 0;
  for (auto& [row, record] : records) state.List_DataSet[row] = std::move(record);
  state.List_IEC_Dev[static_cast<size_t>(position)] = std::move(revised);
}

std::vector<std::optional<Stored_Place>> Stored_Member_Places(
    const TIEC_DataSet& data_set, const std::vector<Stored_Member_Key>& stored) {
  std::vector<Member_Key> keys;
  keys.reserve(stored.size());
  for (size_t k = 0; k < stored.size(); ++k)
    keys.push_back({stored[k].reference, stored[k].bType, {}, k});
  std::vector<std::optional<Stored_Place>> places;
  for (const Placed& p : Place_Members(data_set, keys, false, true)) {
    switch (p.match) {
      case Match::Lost:
        places.push_back(std::nullopt);
        break;
      case Match::Kept:
      case Match::Moved:
        places.push_back(Stored_Place{p.place, Stored_Match::Same});
        break;
      case Match::Corrected:
        places.push_back(Stored_Place{p.place, Stored_Match::Corrected});
        break;
      case Match::Changed:
        places.push_back(Stored_Place{p.place, Stored_Match::Type_Changed});
        break;
    }
  }
  return places;
}

std::vector<TDataSet_DA> Arrange_Members(const TIEC_DataSet& data_set,
                                         std::vector<std::pair<size_t, TDataSet_DA>> placed) {
  std::vector<TDataSet_DA> members(data_set.List_DA.size());
  for (size_t j = 0; j < members.size(); ++j) members[j].Select_DA = data_set.List_DA[j];
  for (auto& [place, member] : placed)
    if (place < members.size()) members[place] = std::move(member);
  return members;
}

std::optional<size_t> Revision_IED(const std::vector<size_t>& chosen, size_t ied_count,
                                   const lang::Lang_Strings& strings) {
  if (chosen.empty()) return std::nullopt;
  if (chosen.size() > 1 || chosen[0] >= ied_count)
    throw std::runtime_error(strings[access_strings::Text_Replace_One_IED]);
  return chosen[0];
}

Revision_Source Revision_Source_Of(const std::string& chosen,
                                   const std::vector<UIEC_Client_Decode::IED_Info>& ieds,
                                   size_t picked, const lang::Lang_Strings& strings) {
  if (picked >= ieds.size() || !ieds[picked].server)
    throw std::runtime_error(strings[access_strings::Text_Replace_No_Server]);
  Revision_Source source;
  source.ied_name = ieds[picked].name;
  source.text = ieds.size() > 1 ? UIEC_Client_Decode::Extract_IED(chosen, source.ied_name, strings)
                                : util::Read_File(chosen);
  return source;
}

}  // namespace UIEC_61850_Access
