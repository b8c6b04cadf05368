// What SDL is told through its environment before its first use.
#pragma once

namespace corv {

// Headless runs must never reach a real window or sound device: SDL gets its dummy video and audio
// drivers. Nothing reads SDL's quit events in a headless run either, so SDL is kept from catching
// Ctrl+C and kill, which then end it as they end any other program. Call before any SDL use.
void UseHeadlessSdl();

}  // namespace corv
