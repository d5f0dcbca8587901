#pragma once
// The server's classes. The client creates objects only by these ids.
#include "broker/guid.h"

namespace ostrada::broker::clsid {

// Market request objects.
inline constexpr Guid kQuoteBookLive = ParseGuid("{D2513CB8-12B4-4654-9349-DB629475FC3E}");
inline constexpr Guid kQuoteBookSnapshot = ParseGuid("{90D8B266-E36D-48F0-9C58-3FBD3F3D5927}");
inline constexpr Guid kContractsLive = ParseGuid("{6E79C504-069F-44B9-94BD-11FCE6D5C9DE}");
inline constexpr Guid kContractHistory = ParseGuid("{655EE952-72BF-4576-B654-69D97FD9240E}");
inline constexpr Guid kDayChart = ParseGuid("{B4450B01-684F-405F-88EA-C579BD2311F5}");
inline constexpr Guid kMinuteChart = ParseGuid("{E8720B8A-A2A9-4EF7-9E63-96D4CA1F84F5}");
inline constexpr Guid kMultiPrice = ParseGuid("{B48610BB-A1A0-4AF1-BD47-9969F6AFF519}");
inline constexpr Guid kStockState = ParseGuid("{3F2518BC-6863-479A-9892-434B9596E555}");
inline constexpr Guid kOrderEvents = ParseGuid("{C021DD33-C20D-4BDB-B29F-B81B1E2097BD}");

// Trade request objects.
inline constexpr Guid kOrderAvailable = ParseGuid("{C3BB2F7B-381C-45E0-A8C2-089AF2D44726}");
inline constexpr Guid kCashAvailable = ParseGuid("{7850FFBA-A72A-4276-85D5-8A6A2ED36A6D}");
inline constexpr Guid kHoldings = ParseGuid("{930BABB8-04EE-4DDA-BCFA-47EA69ACFF5A}");
inline constexpr Guid kUnfilledOrders = ParseGuid("{60227BDA-0E32-4E4C-ACAE-BE13C77EF1DD}");
inline constexpr Guid kBuySellOrder = ParseGuid("{3DF25922-2A46-4192-8753-FBAC206A7859}");
inline constexpr Guid kModifyOrder = ParseGuid("{99CC2D52-D36C-456E-AB08-F900AEDDB92A}");
inline constexpr Guid kCancelOrder = ParseGuid("{9F59D04D-5012-4CDC-AD55-6816AEF88F5F}");

// Other objects.
inline constexpr Guid kStockCodeList = ParseGuid("{E14491ED-7EC7-4F78-92D8-6CAA25936743}");
inline constexpr Guid kCodeManager = ParseGuid("{10B8B813-7A69-47FD-859E-A9BFCA2F1AF9}");
inline constexpr Guid kTradeUtility = ParseGuid("{FB3B01EC-A9DB-45C6-A50E-DAD7514379F3}");

}  // namespace ostrada::broker::clsid
