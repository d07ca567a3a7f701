#include "hid/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <optional>

namespace lt260 {
namespace {

// Item types of a short item's prefix byte (bits 2 and 3).
enum class ItemType : uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

// Tags (bits 4 to 7) of the items that matter for report lengths.
constexpr uint8_t kInputTag = 0x8;
constexpr uint8_t kOutputTag = 0x9;
constexpr uint8_t kCollectionTag = 0xA;
constexpr uint8_t kFeatureTag = 0xB;
constexpr uint8_t kEndCollectionTag = 0xC;

constexpr uint8_t kUsagePageTag = 0x0;
constexpr uint8_t kReportSizeTag = 0x7;
constexpr uint8_t kReportIdTag = 0x8;
constexpr uint8_t kReportCountTag = 0x9;
constexpr uint8_t kPushTag = 0xA;
constexpr uint8_t kPopTag = 0xB;

constexpr uint8_t kUsageTag = 0x0;

// A long item: this prefix, a data-size byte, a tag byte, then the data.
constexpr uint8_t kLongItemPrefix = 0xFE;

enum ReportKind { kInput = 0, kOutput = 1, kFeature = 2, kKindCount = 3 };

struct GlobalState {
  uint32_t UsagePage = 0;
  uint32_t ReportSize = 0;
  uint32_t ReportCount = 0;
  uint32_t ReportId = 0;  // 0 while no Report ID item has been seen
};

struct ReportBits {
  uint32_t Id = 0;
  std::array<uint64_t, kKindCount> Bits{};
};

struct Collection {
  uint16_t UsagePage = 0;
  uint16_t Usage = 0;
  bool Numbered = false;
  std::vector<ReportBits> Reports;
};

uint32_t ReadUnsigned(std::span<const uint8_t> data) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < data.size(); ++i) value |= static_cast<uint32_t>(data[i]) << (8 * i);
  return value;
}

int LengthOf(uint64_t bits) {
  // Bits are bounded by kMaxReportBytes before they get here.
  return bits == 0 ? 0 : static_cast<int>((bits + 7) / 8 + 1);
}

class Parser {
 public:
  explicit Parser(std::span<const uint8_t> descriptor) : bytes_(descriptor) {}

  DescriptorParse Run() {
    DescriptorParse result;
    std::size_t offset = 0;
    while (offset < bytes_.size() && error_.empty()) {
      itemOffset_ = offset;
      const uint8_t prefix = bytes_[offset];
      if (prefix == kLongItemPrefix) {
        // Long items carry vendor data only; their length is all that counts.
        if (bytes_.size() - offset < 3) {
          Fail("long item cut off");
          break;
        }
        const std::size_t size = bytes_[offset + 1];
        if (bytes_.size() - offset - 3 < size) {
          Fail("long item data cut off");
          break;
        }
        offset += 3 + size;
        continue;
      }
      const std::size_t sizeCode = prefix & 0x3;
      const std::size_t size = sizeCode == 3 ? 4 : sizeCode;
      if (bytes_.size() - offset - 1 < size) {
        Fail("item data cut off");
        break;
      }
      const auto data = bytes_.subspan(offset + 1, size);
      const auto type = static_cast<ItemType>((prefix >> 2) & 0x3);
      const auto tag = static_cast<uint8_t>(prefix >> 4);
      switch (type) {
        case ItemType::Main:
          OnMain(tag, data);
          break;
        case ItemType::Global:
          OnGlobal(tag, data);
          break;
        case ItemType::Local:
          OnLocal(tag, data);
          break;
        case ItemType::Reserved:
          break;
      }
      offset += 1 + size;
    }
    if (error_.empty() && depth_ != 0) {
      itemOffset_ = bytes_.size();
      Fail("collection not closed at the end");
    }
    if (!error_.empty()) {
      result.Error = error_;
      result.ErrorOffset = itemOffset_;
      return result;
    }
    for (const Collection& collection : collections_)
      result.Collections.push_back(Caps(collection));
    return result;
  }

 private:
  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

  void OnMain(uint8_t tag, std::span<const uint8_t>) {
    switch (tag) {
      case kInputTag:
        AddBits(kInput);
        break;
      case kOutputTag:
        AddBits(kOutput);
        break;
      case kFeatureTag:
        AddBits(kFeature);
        break;
      case kCollectionTag:
        OpenCollection();
        break;
      case kEndCollectionTag:
        if (depth_ == 0) {
          Fail("End Collection without a Collection");
        } else {
          --depth_;
        }
        break;
      default:
        break;
    }
    // Local items describe the next main item only.
    usage_.reset();
  }

  void OpenCollection() {
    if (depth_ == 0) {
      if (collections_.size() >= kMaxTopLevelCollections) {
        Fail("more than " + std::to_string(kMaxTopLevelCollections) + " top-level collections");
        return;
      }
      Collection collection;
      // A four-byte usage names its own page in its upper half.
      if (usage_ && usage_->Extended) {
        collection.UsagePage = static_cast<uint16_t>(usage_->Value >> 16);
      } else {
        collection.UsagePage = static_cast<uint16_t>(global_.UsagePage);
      }
      collection.Usage = usage_ ? static_cast<uint16_t>(usage_->Value) : 0;
      collections_.push_back(std::move(collection));
    }
    if (depth_ >= kMaxCollectionDepth) {
      Fail("collections nested deeper than " + std::to_string(kMaxCollectionDepth));
      return;
    }
    ++depth_;
  }

  void AddBits(ReportKind kind) {
    // Main items outside every collection belong to no interface.
    if (depth_ == 0 || collections_.empty()) return;
    const uint64_t bits = static_cast<uint64_t>(global_.ReportSize) * global_.ReportCount;
    if (bits == 0) return;
    Collection& collection = collections_.back();
    auto report = std::find_if(collection.Reports.begin(), collection.Reports.end(),
                               [&](const ReportBits& r) { return r.Id == global_.ReportId; });
    if (report == collection.Reports.end()) {
      collection.Reports.push_back(ReportBits{global_.ReportId, {}});
      report = collection.Reports.end() - 1;
    }
    if (global_.ReportId != 0) collection.Numbered = true;
    // Both terms are below 2^32, so the sum cannot wrap before the check.
    uint64_t& total = report->Bits[kind];
    if (bits > kMaxReportBytes * 8 || total + bits > (kMaxReportBytes - 1) * 8) {
      Fail("report " + std::to_string(global_.ReportId) + " longer than " +
           std::to_string(kMaxReportBytes) + " bytes");
      return;
    }
    total += bits;
  }

  void OnGlobal(uint8_t tag, std::span<const uint8_t> data) {
    const uint32_t value = ReadUnsigned(data);
    switch (tag) {
      case kUsagePageTag:
        global_.UsagePage = value & 0xFFFF;
        break;
      case kReportSizeTag:
        global_.ReportSize = value;
        break;
      case kReportCountTag:
        global_.ReportCount = value;
        break;
      case kReportIdTag:
        if (value == 0 || value > 0xFF) {
          Fail("Report ID " + std::to_string(value) + " outside 1 to 255");
        } else {
          global_.ReportId = value;
        }
        break;
      case kPushTag:
        if (stack_.size() >= kMaxGlobalStackDepth) {
          Fail("Push nested deeper than " + std::to_string(kMaxGlobalStackDepth));
        } else {
          stack_.push_back(global_);
        }
        break;
      case kPopTag:
        if (stack_.empty()) {
          Fail("Pop without a Push");
        } else {
          global_ = stack_.back();
          stack_.pop_back();
        }
        break;
      default:
        break;
    }
  }

  void OnLocal(uint8_t tag, std::span<const uint8_t> data) {
    // The first usage names a collection; later ones and ranges do not.
    if (tag == kUsageTag && !usage_) usage_ = Usage{ReadUnsigned(data), data.size() == 4};
  }

  static CollectionCaps Caps(const Collection& collection) {
    CollectionCaps caps;
    caps.UsagePage = collection.UsagePage;
    caps.Usage = collection.Usage;
    caps.NumberedReports = collection.Numbered;
    for (const ReportBits& report : collection.Reports) {
      caps.InputReportLength = std::max(caps.InputReportLength, LengthOf(report.Bits[kInput]));
      caps.OutputReportLength = std::max(caps.OutputReportLength, LengthOf(report.Bits[kOutput]));
      caps.FeatureReportLength =
          std::max(caps.FeatureReportLength, LengthOf(report.Bits[kFeature]));
      if (report.Bits[kInput] != 0) caps.InputReportIds.push_back(static_cast<uint8_t>(report.Id));
    }
    return caps;
  }

  struct Usage {
    uint32_t Value = 0;
    bool Extended = false;
  };

  std::span<const uint8_t> bytes_;
  std::size_t itemOffset_ = 0;
  std::string error_;
  GlobalState global_;
  std::vector<GlobalState> stack_;
  std::optional<Usage> usage_;
  int depth_ = 0;
  std::vector<Collection> collections_;
};

}  // namespace

DescriptorParse ParseReportDescriptor(std::span<const uint8_t> descriptor) {
  return Parser(descriptor).Run();
}

}  // namespace lt260
