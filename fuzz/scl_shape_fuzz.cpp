// The SCL readers on files whose shape, not their bytes, comes from the fuzzer: the input picks
// which elements appear and how many (lists from empty to tens of thousands of entries, around
// the sizes where the model's store changes block), the names' lengths and characters, and
// where each type reference points (an existing type, itself, a type that refers back, a missing
// one). The text built is then read as the scl target reads its input (import), and as the
// ied_catalog target does (IED list, extraction, and the import of the extracted file).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/all_texts.h"
#include "fuzz_file.h"
#include "scl/ied_catalog.h"
#include "scl/model_walk.h"
#include "scl/scl_import.h"

namespace {

using namespace UIEC_Client_Decode;

// Bounds that keep one input to a fraction of a second: all lists together, and the text.
constexpr size_t Max_Elements = 60'000;
constexpr size_t Max_List = 40'000;  // beyond the 32,768 entries that take a block of their own
constexpr size_t Max_Text_Bytes = 2 << 20;
constexpr size_t Max_Name = 20'000;

class Shape_Builder {
 public:
  explicit Shape_Builder(FuzzedDataProvider& in) : in_(in) {}

  std::string Build() {
    // One shape in sixteen is a fan-out: a short file whose types branch at every level
    // (fuzz/seeds/scl_shape starts from one), which the import refuses from the types alone.
    if (in_.ConsumeIntegralInRange<int>(0, 15) == 15) return Fan_Out();
    // The templates' counts come first so that references can point into them.
    lnode_types_ = in_.ConsumeIntegralInRange<size_t>(0, 4);
    do_types_ = in_.ConsumeIntegralInRange<size_t>(0, 6);
    da_types_ = in_.ConsumeIntegralInRange<size_t>(0, 6);
    out_ =
        R"(<?xml version="1.0" encoding="UTF-8"?><SCL xmlns="http://www.iec.ch/61850/2003/SCL">)";
    if (in_.ConsumeBool()) out_ += R"(<Header id="h"/>)";
    const size_t ieds = in_.ConsumeIntegralInRange<size_t>(0, 3);
    if (in_.ConsumeBool()) Communication(ieds);
    for (size_t i = 0; i < ieds; ++i) IED(i);
    if (in_.ConsumeBool()) Templates();
    out_ += "</SCL>";
    return out_;
  }

 private:
  bool Full() const { return elements_ >= Max_Elements || out_.size() >= Max_Text_Bytes; }

  // A list's length: mostly short, often within two of a power of two (the store's block sizes
  // are powers of two, and a list of pointers fills one at a power of two entries), sometimes
  // anything up to Max_List. Never more than the elements left.
  size_t Length() {
    size_t n = 0;
    const int kind = in_.ConsumeIntegralInRange<int>(0, 7);
    if (kind <= 4) {
      n = in_.ConsumeIntegralInRange<size_t>(0, 3);
    } else if (kind <= 6) {
      const size_t power = size_t{1} << in_.ConsumeIntegralInRange<int>(0, 15);
      n = power + in_.ConsumeIntegralInRange<size_t>(0, 4) - std::min<size_t>(power, 2);
    } else {
      n = in_.ConsumeIntegralInRange<size_t>(0, Max_List);
    }
    n = std::min(n, Max_List);
    return Full() ? 0 : std::min(n, Max_Elements - elements_);
  }

  // A name: usually `prefix` with a number (unique, or one of a few so that names repeat), else
  // empty, long, or with characters that need escaping or are not ASCII.
  std::string Name(const char* prefix, size_t index) {
    switch (in_.ConsumeIntegralInRange<int>(0, 7)) {
      case 0:
        return "";
      case 1:
        return prefix + std::to_string(index % 3);
      case 2: {
        const size_t length = in_.ConsumeIntegralInRange<size_t>(0, Max_Name);
        return prefix + std::string(std::min(length, Max_Text_Bytes / 16), 'n') +
               std::to_string(index);
      }
      case 3: {
        static const char* const odd[] = {"&amp;", "&lt;", "&quot;", "\xC3\xA9", ".",
                                          "/",     "$",    " ",      "\xFF",     "&#1;"};
        return prefix + std::string(odd[in_.ConsumeIntegralInRange<size_t>(0, 9)]) +
               std::to_string(index);
      }
      default:
        return prefix + std::to_string(index);
    }
  }

  // A reference to one of `count` templates named `prefix`N: an existing one, a missing one,
  // or no attribute at all.
  void Type_Ref(const char* attribute, const char* prefix, size_t count) {
    const size_t pick = in_.ConsumeIntegralInRange<size_t>(0, count + 1);
    if (pick == count + 1) return;
    Attribute(attribute, pick < count ? prefix + std::to_string(pick) : "missing");
  }

  void Attribute(const char* name, const std::string& value) {
    out_.append(1, ' ').append(name).append("=\"").append(value).append(1, '"');
  }

  template <typename Fn>
  void List(Fn&& entry) {
    const size_t n = Length();
    elements_ += n;
    for (size_t i = 0; i < n && out_.size() < Max_Text_Bytes; ++i) entry(i);
  }

  void Communication(size_t ieds) {
    out_ += R"(<Communication><SubNetwork name="n">)";
    List([&](size_t i) {
      out_ += "<ConnectedAP";
      Attribute("iedName", Name("I", i % (ieds + 1)));
      Attribute("apName", Name("P", 0));
      out_ += "><Address><P type=\"IP\">10.0.0." + std::to_string(i % 256) + "</P></Address>";
      out_ += "</ConnectedAP>";
    });
    out_ += "</SubNetwork></Communication>";
  }

  void IED(size_t index) {
    out_ += "<IED";
    Attribute("name", Name("I", index));
    out_ += ">";
    if (in_.ConsumeBool()) {
      out_ += R"(<AccessPoint name="P0">)";
      if (in_.ConsumeBool()) {
        out_ += "<Server>";
        List([&](size_t i) { LDevice(i); });
        out_ += "</Server>";
      }
      out_ += "</AccessPoint>";
    }
    out_ += "</IED>";
  }

  void LDevice(size_t index) {
    out_ += "<LDevice";
    Attribute("inst", Name("L", index));
    out_ += ">";
    List([&](size_t i) { LN(i); });
    out_ += "</LDevice>";
  }

  void LN(size_t index) {
    static const char* const classes[] = {"LLN0", "GGIO", "MMXU", "XCBR"};
    const char* element = index == 0 ? "LN0" : "LN";
    out_.append(1, '<').append(element);
    Attribute("lnClass", classes[in_.ConsumeIntegralInRange<size_t>(0, 3)]);
    Attribute("inst", index == 0 ? "" : std::to_string(index));
    if (in_.ConsumeBool()) Attribute("prefix", Name("p", index));
    Type_Ref("lnType", "N", lnode_types_);
    out_ += ">";
    List([&](size_t i) { DataSet(i); });
    List([&](size_t i) {
      out_ += "<GSEControl";
      Attribute("name", Name("G", i));
      Attribute("datSet", Name("S", in_.ConsumeIntegralInRange<size_t>(0, i + 1)));
      out_ += "/>";
    });
    out_.append("</").append(element).append(1, '>');
  }

  // Members name objects that may or may not exist: the first logical devices and nodes, the
  // templates' usual child names, dotted paths.
  void DataSet(size_t index) {
    static const char* const classes[] = {"LLN0", "GGIO", "MMXU", "none"};
    out_ += "<DataSet";
    Attribute("name", Name("S", index));
    out_ += ">";
    List([&](size_t) {
      out_ += "<FCDA";
      Attribute("ldInst", "L" + std::to_string(in_.ConsumeIntegralInRange<int>(0, 3)));
      Attribute("lnClass", classes[in_.ConsumeIntegralInRange<size_t>(0, 3)]);
      Attribute("doName", "d" + std::to_string(in_.ConsumeIntegralInRange<int>(0, 3)));
      switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
          break;
        case 1:
          Attribute("daName", "a" + std::to_string(in_.ConsumeIntegralInRange<int>(0, 3)));
          break;
        case 2:
          Attribute("daName", "b" + std::to_string(in_.ConsumeIntegralInRange<int>(0, 3)));
          break;
        default:
          Attribute("daName", "a0.b0");
      }
      Attribute("fc", "ST");
      out_ += "/>";
    });
    out_ += "</DataSet>";
  }

  // An IED whose one logical node expands a chain of DOTypes, each with `width` sub data objects
  // of the next one: width^depth objects from a file of a few KB, each branch within the
  // nesting limit when depth is at most 63.
  std::string Fan_Out() {
    const size_t width = in_.ConsumeIntegralInRange<size_t>(2, 8);
    const size_t depth = in_.ConsumeIntegralInRange<size_t>(8, 70);
    out_ = R"(<?xml version="1.0" encoding="UTF-8"?><SCL><IED name="F"><AccessPoint name="P">)"
           R"(<Server><LDevice inst="L"><LN0 lnClass="LLN0" inst="" lnType="N"/></LDevice>)"
           R"(</Server></AccessPoint></IED><DataTypeTemplates>)"
           R"(<LNodeType id="N" lnClass="LLN0"><DO name="d" type="F0"/></LNodeType>)";
    for (size_t level = 0; level < depth; ++level) {
      out_ += "<DOType id=\"F" + std::to_string(level) + "\" cdc=\"SPS\">";
      for (size_t k = 0; k < width; ++k)
        out_ += "<SDO name=\"s" + std::to_string(k) + "\" type=\"F" + std::to_string(level + 1) +
                "\"/>";
      out_ += "</DOType>";
    }
    out_ += "<DOType id=\"F" + std::to_string(depth) +
            R"(" cdc="SPS"><DA name="stVal" bType="BOOLEAN" fc="ST"/></DOType>)";
    out_ += "</DataTypeTemplates></SCL>";
    return out_;
  }

  // Types that refer to any type of their kind, themselves included: cycles of every length.
  void Templates() {
    static const char* const b_types[] = {"Struct", "INT32", "BOOLEAN", "Enum", "VisString255"};
    static const char* const fcs[] = {"ST", "MX", "CO", "SP"};
    out_ += "<DataTypeTemplates>";
    const auto da = [&](const char* element, const char* prefix, size_t i, bool with_fc) {
      out_.append(1, '<').append(element);
      Attribute("name", Name(prefix, i));
      const size_t b = in_.ConsumeIntegralInRange<size_t>(0, 5);
      if (b < 5) Attribute("bType", b_types[b]);
      if (with_fc || in_.ConsumeBool()) Attribute("fc", fcs[in_.ConsumeIntegralInRange(0, 3)]);
      Type_Ref("type", "T", da_types_);
      out_ += "/>";
    };
    // An id may be defined twice, whose children then add up.
    const auto id = [&](const char* prefix, size_t i, size_t count) {
      Attribute("id", prefix + std::to_string(in_.ConsumeBool() ? i : (i + 1) % count));
    };
    for (size_t i = 0; i < lnode_types_; ++i) {
      out_ += "<LNodeType";
      id("N", i, lnode_types_);
      out_ += R"( lnClass="GGIO">)";
      List([&](size_t j) {
        out_ += "<DO";
        Attribute("name", Name("d", j));
        Type_Ref("type", "D", do_types_);
        out_ += "/>";
      });
      out_ += "</LNodeType>";
    }
    for (size_t i = 0; i < do_types_; ++i) {
      out_ += "<DOType";
      id("D", i, do_types_);
      out_ += R"( cdc="SPS">)";
      List([&](size_t j) {
        if (in_.ConsumeBool()) {
          out_ += "<SDO";
          Attribute("name", Name("d", j));
          Type_Ref("type", "D", do_types_);
          out_ += "/>";
        } else {
          da("DA", "a", j, true);
        }
      });
      out_ += "</DOType>";
    }
    for (size_t i = 0; i < da_types_; ++i) {
      out_ += "<DAType";
      id("T", i, da_types_);
      out_ += ">";
      List([&](size_t j) { da("BDA", "b", j, false); });
      out_ += "</DAType>";
    }
    out_ += "</DataTypeTemplates>";
  }

  FuzzedDataProvider& in_;
  std::string out_;
  size_t elements_ = 0;
  size_t lnode_types_ = 0, do_types_ = 0, da_types_ = 0;
};

// Every object reached, and the reference of every data set member (as the JSON and the editor
// show them): reads of memory the import should have written.
void Read_Model(const TIEC_Device& device) {
  size_t members = 0;
  For_Each_Object(device, [&](const auto& object) {
    using T = std::decay_t<decltype(object)>;
    if constexpr (std::is_same_v<T, TIEC_DataSet>) {
      for (const TIEC_DA* member : object.List_DA)
        if (members++ < 20'000) (void)member->Reference();
      (void)object.GooseName().size();
    } else if constexpr (std::is_same_v<T, TIEC_DA>) {
      (void)object.FC().size();
    }
  });
}

void Import(const std::string& path) {
  TIEC_Device device;
  try {
    // A small model budget keeps every input within the fuzzer's memory limit.
    Decode_ICD_File(device, path, std::size_t{64} << 20);
  } catch (const std::runtime_error&) {
    return;
  }
  Read_Model(device);
}

// The built-in texts, in which the command line words its messages.
const lang::Lang_Strings& English() {
  static const lang::Lang_Strings english = lang::English_Strings();
  return english;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string text = Shape_Builder(in).Build();
  const std::string path =
      Write_Fuzz_Input("shape.scd", reinterpret_cast<const uint8_t*>(text.data()), text.size());
  Import(path);
  try {
    Server_IP(path);
    const std::vector<IED_Info> ieds = List_IEDs(path);
    // The last IED: the one farthest from what the import of the whole file reads.
    if (!ieds.empty()) {
      const std::string single = Fuzz_Input_File("shape-ied.icd");
      util::Write_File_Atomic(single, Extract_IED(path, ieds.back().name, English()));
      Import(single);
    }
  } catch (const std::runtime_error&) {
  }
  return 0;
}
