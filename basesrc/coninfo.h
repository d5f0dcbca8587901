#pragma once
// The contracts (trades) of one stock: the 40-byte ContractRecord and the ContractTape that keeps them
// in a doubly linked list. A new record always goes in at the head, so which end is the newest
// contract depends on the order of arrival: a tape filled from a history page (newest row first) has
// the page's oldest contract at the head and its newest at the tail.
//
// The tape also has two stored forms: a binary file (a 320-byte header, then the records) and a text
// dump for a person.
#include <cstddef>
#include <cstdint>

#include "basesrc/foundation/files.h"
#include "broker/interfaces.h"

namespace ostrada {

// One contract. The same 40 bytes are copied, stored and passed around as a whole.
struct ContractRecord {
  int32_t timeHHMM;    // contract time, hour * 100 + minute
  int32_t timeHHMMSS;  // contract time, hour * 10000 + minute * 100 + second (the one shown)
  int32_t aux1;        // further server values, kept as they come and never shown
  int32_t aux2;
  int32_t price;       // contract price ("현재가")
  int32_t change;      // change from the previous day's close ("전일대비"), signed
  int32_t volume;      // cumulative volume of the day ("거래량")
  int32_t tickVolume;  // quantity of this contract ("순간 체결량")
  float strength;      // contract strength ("체결강도"); 0 in records built from live events
  char side;           // '1' taken by a buyer, '2' taken by a seller
  char phase;          // '0' outside the sessions, '1' call auction, '2' regular trading hours
  uint8_t padding[2];  // not touched by Reset

  // Zeroes the 38 meaningful bytes; the padding keeps whatever it held.
  void Reset();
};

// Stored layout of a record: each field at its offset, little-endian.
namespace contract_record {
inline constexpr int kTimeHHMM = 0;
inline constexpr int kTimeHHMMSS = 4;
inline constexpr int kAux1 = 8;
inline constexpr int kAux2 = 12;
inline constexpr int kPrice = 16;
inline constexpr int kChange = 20;
inline constexpr int kVolume = 24;
inline constexpr int kTickVolume = 28;
inline constexpr int kStrength = 32;
inline constexpr int kSide = 36;
inline constexpr int kPhase = 37;
inline constexpr int kResetSize = 38;  // the bytes Reset clears
inline constexpr int kSize = 40;
}  // namespace contract_record

static_assert(sizeof(ContractRecord) == contract_record::kSize);
static_assert(offsetof(ContractRecord, strength) == contract_record::kStrength);
static_assert(offsetof(ContractRecord, side) == contract_record::kSide);
static_assert(offsetof(ContractRecord, phase) == contract_record::kPhase);

// The phase of a trade of the regular session; a call auction's contracts are expected prices.
inline constexpr char kRegularPhase = '2';
// The phase of a record outside the auctions and the session: no contract, the stock's standing.
inline constexpr char kOutsidePhase = '0';

// A record inside a tape. The links are never stored.
struct ContractNode {
  ContractRecord record;
  ContractNode* prev;
  ContractNode* next;
};

// (time, price) of one record, as the tape's header keeps it.
struct TimePrice {
  int32_t timeHHMM = 0;
  int32_t price = 0;
  friend bool operator==(const TimePrice&, const TimePrice&) = default;
};

// Stored layout of the tape's 320-byte header.
namespace contract_tape {
inline constexpr uint32_t kMagic = 0xF2190725;
inline constexpr int kMagicOffset = 64;  // after the 64-byte info-file check text
inline constexpr int kCodeOffset = 68;   // 16 bytes, NUL-terminated
inline constexpr int kCodeSize = 16;
inline constexpr int kNameOffset = 84;  // 64 bytes, NUL-terminated
inline constexpr int kNameSize = 64;
inline constexpr int kCountOffset = 148;
inline constexpr int kHeadPairOffset = 152;  // each pair: timeHHMM, then price
inline constexpr int kTailPairOffset = 160;
inline constexpr int kHighPairOffset = 168;
inline constexpr int kLowPairOffset = 176;
inline constexpr int kFirstRecordOffset = 184;  // where the stored records begin; -1 until saved
inline constexpr int kEndOffset = 188;          // just past the last stored record; -1 until saved
inline constexpr int kReservedOffset = 192;     // 128 bytes, zero
inline constexpr int kReservedSize = 128;
inline constexpr int kHeaderSize = 320;
static_assert(kReservedOffset + kReservedSize == kHeaderSize);
static_assert(kNameOffset + kNameSize == kCountOffset);
static_assert(kMagicOffset == 64);
}  // namespace contract_tape

class ContractTape {
 public:
  ContractTape() { Reset(); }
  ~ContractTape() { FreeRecords(); }
  ContractTape(const ContractTape&) = delete;
  ContractTape& operator=(const ContractTape&) = delete;

  // Frees every record and starts an empty header, then takes both texts when both are given. A
  // code without a name, or an empty text, is reported; the tape is then left empty and nameless.
  // 1 or 0.
  int Create(const char* code, const char* name);
  // As above, then a copy of the record goes in. Used for live contracts.
  int Create(const char* code, const char* name, const ContractRecord& record);
  // Frees every record, then resets; with keepNames = 1 the code and name survive.
  void Clear(int keepNames);
  // Links a new copy of the record in at the head. 0 (reported) when memory is short.
  int Insert(const ContractRecord& record);

  const ContractNode* Head() const { return head_; }
  const ContractNode* Tail() const { return tail_; }
  int32_t Count() const { return count_; }
  const char* Code() const { return code_; }
  const char* Name() const { return name_; }
  TimePrice HeadPair() const { return headPair_; }
  TimePrice TailPair() const { return tailPair_; }
  TimePrice HighPair() const { return highPair_; }
  TimePrice LowPair() const { return lowPair_; }
  int32_t FirstRecordOffset() const { return firstRecordOffset_; }
  int32_t EndOffset() const { return endOffset_; }

  // Writes the header, the records from the tail towards the head, and the header again with the
  // record offsets, from the file's current position; leaves the position after the last record, so
  // several tapes can follow each other in one file. 1 or 0 (reported).
  int Save(FileHandle file);
  int Save(const char* path);
  // Reads a tape written by Save from the current position (at most `limit` records when limit > 0).
  // Rejects a wrong check text or magic, an unterminated text, a count the rest of the file cannot
  // hold, and a short file. On failure the records read so far stay. 1 or 0 (reported).
  int Load(FileHandle file, int limit);
  int Load(const char* path, int limit);

  // Writes the text dump for a person: a legend, then one line per record from head to tail.
  int SaveText(FileHandle file) const;
  int SaveText(const char* path) const;

 private:
  // Forgets every record link without freeing (FreeRecords first) and starts an empty header.
  void Reset();
  void FreeRecords();
  void Link(ContractNode* node);
  void EncodeHeader(uint8_t* header) const;
  int DecodeHeader(const uint8_t* header);

  char code_[contract_tape::kCodeSize];
  char name_[contract_tape::kNameSize];
  int32_t count_;
  TimePrice headPair_;
  TimePrice tailPair_;
  TimePrice highPair_;
  TimePrice lowPair_;
  int32_t firstRecordOffset_;
  int32_t endOffset_;
  ContractNode* head_;
  ContractNode* tail_;
};

// A one-character server value, which comes as a text or as the character's code.
char ContractCharOf(const broker::Variant& value);
// Row `row` of a contract-history page into the record (every field set). A failing call throws
// broker::ComError for the caller to show.
void ReadContractRow(broker::IMarketRequest& page, int32_t row, ContractRecord* record);

// The record's stored 40 bytes and back.
void EncodeContractRecord(const ContractRecord& record, uint8_t* bytes);
void DecodeContractRecord(const uint8_t* bytes, ContractRecord* record);

}  // namespace ostrada
