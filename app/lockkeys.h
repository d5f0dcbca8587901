#pragma once
// The states of the three lock keys for the status bar's indicators. Qt does not report lock keys,
// so they are read from the X server's keyboard indicators when the program runs on X11; on any
// other platform (offscreen, Wayland) every key reads as off.
namespace ostrada {

struct LockKeys {
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

LockKeys QueryLockKeys();

}  // namespace ostrada
