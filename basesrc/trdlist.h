#pragma once
// The doubly linked list both trading lists share: records in arrival order, counted in the list's
// header, with the append refusal and the positional lookups. Each list supplies its own header
// type (check text, magic, account, count, first, last and its own summary fields).
#include <cstdint>
#include <memory>
#include <new>

#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"

namespace ostrada {

// The account field of both list headers.
constexpr size_t kTrdAccountSize = 64;
constexpr size_t kTrdReservedSize = 256;

// Copies a non-empty account into the field; an empty or missing one is reported (0).
int SetTrdAccount(char* field, const char* account);

template <class Header, class Record>
class TrdLinkedList {
 public:
  using RecordPtr = std::unique_ptr<Record>;

  TrdLinkedList() = default;
  TrdLinkedList(const TrdLinkedList&) = delete;
  TrdLinkedList& operator=(const TrdLinkedList&) = delete;
  ~TrdLinkedList() { FreeRecords(); }

  // A zeroed record (all texts empty, all numbers 0, no text copies), or null.
  static RecordPtr CreateRecord() { return RecordPtr(new (std::nothrow) Record{}); }

  // Links the record at the end and takes it; the list then owns it. Refused when a record held
  // has a name equal to the new record's code: with a duplicate flag it is set to 1, otherwise the
  // refusal is reported. A refused record stays with the caller. Returns the record or null.
  Record* Append(RecordPtr& record, int* duplicate) {
    if (!OSTRADA_VERIFY(record != nullptr)) return nullptr;
    record->prev = nullptr;
    record->next = nullptr;
    for (const Record* held = header_.first; held != nullptr; held = held->next) {
      if (StrCompare(held->name, record->code) != 0) continue;
      if (duplicate != nullptr) {
        *duplicate = 1;
      } else {
        OSTRADA_VERIFY(false);
      }
      return nullptr;
    }
    Record* linked = record.release();
    linked->prev = header_.last;
    if (header_.last != nullptr) {
      header_.last->next = linked;
    } else {
      header_.first = linked;
    }
    header_.last = linked;
    ++header_.count;
    return linked;
  }

  // Unlinks the record and hands it back; null (reported) when the links and the count disagree.
  RecordPtr Remove(Record* record) {
    if (!OSTRADA_VERIFY(record != nullptr && header_.count >= 1)) return nullptr;
    const bool isFirst = record == header_.first;
    const bool isLast = record == header_.last;
    if (isFirst && isLast) {
      if (!OSTRADA_VERIFY(header_.count == 1)) return nullptr;
      header_.first = header_.last = nullptr;
    } else {
      if (!OSTRADA_VERIFY(header_.count >= 2)) return nullptr;
      if (!isFirst && !OSTRADA_VERIFY(record->prev != nullptr)) return nullptr;
      if (!isLast && !OSTRADA_VERIFY(record->next != nullptr)) return nullptr;
      if (isFirst) {
        header_.first = record->next;
      } else {
        record->prev->next = record->next;
      }
      if (isLast) {
        header_.last = record->prev;
      } else {
        record->next->prev = record->prev;
      }
    }
    record->prev = nullptr;
    record->next = nullptr;
    --header_.count;
    return RecordPtr(record);
  }
  int RemoveAndFree(Record* record) { return Remove(record) != nullptr ? 1 : 0; }

  int32_t Count() const { return header_.count; }
  Record* First() const { return header_.first; }
  Record* Last() const { return header_.last; }

  // The record at the 0-based position; Count() gives null quietly, beyond it null with a report.
  Record* GetAt(int32_t position) const {
    if (!OSTRADA_VERIFY(position >= 0 && position <= header_.count)) return nullptr;
    Record* record = header_.first;
    for (int32_t step = 0; step < position && record != nullptr; ++step) record = record->next;
    return record;
  }
  // 1-based position in list order, or -1 (reported) when the record is not here.
  int32_t Position(const Record* record) const {
    int32_t position = 1;
    for (const Record* walk = header_.first; walk != nullptr; walk = walk->next, ++position) {
      if (walk == record) return position;
    }
    OSTRADA_VERIFY(false);
    return -1;
  }

  const char* Account() const { return header_.account; }
  // Copies a non-empty account into the header; an empty or missing one is reported.
  int SetAccount(const char* account) { return SetTrdAccount(header_.account, account); }
  int32_t UserValue() const { return header_.userValue; }
  void SetUserValue(int32_t value) { header_.userValue = value; }

  // The header as the list keeps it (its layout is pinned beside its type).
  const Header& HeaderBlock() const { return header_; }

 protected:
  void FreeRecords() {
    for (Record* record = header_.first; record != nullptr;) {
      Record* following = record->next;
      delete record;
      record = following;
    }
    header_.first = header_.last = nullptr;
    header_.count = 0;
  }

  Header header_{};
  // Each list names its own module; this one serves the shared steps.
  static constexpr char kModule[] = "basesrc/trdlist";
};

}  // namespace ostrada
