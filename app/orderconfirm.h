#pragma once
// Whether the order windows ask "주문 확인" before an order is sent. On unless the user turned it off;
// the choice is kept in the program's settings, so every order window and the next start share it.

namespace ostrada {

bool OrderConfirmationOn();
void SetOrderConfirmation(bool on);

}  // namespace ostrada
