#pragma once

#include <cstdint>
#include <string>

#include "engine/EngineHost.h"

namespace tallis {

// What a program-and-verify run needs of its window, on top of the chip type.
class RunHost : public EngineHost {
  public:
    // The port chosen in the Options dialog: 1 (LPT 1), 2 (LPT 2), or 0 when
    // neither choice is checked (the run then keeps the port it has).
    virtual int OptionsPortChoice() const = 0;
    virtual void ShowStatus(const std::string& text) = 0;   // status panel 0
    virtual void SetGauge(int percent) = 0;                 // already clamped to 0..100
    virtual void ShowMessage(const std::string& text) = 0;  // modal, returns when dismissed
    virtual void ProcessEvents() = 0;                       // one turn of the event loop

    // Asked before each word: true stops the run there, with no message.
    virtual bool CancelRequested() const { return false; }
    // A long move of the chip's address counter (done of total increments),
    // so that a window can show that the run goes on.
    virtual void ShowAddressSkip(std::uint32_t /*done*/, std::uint32_t /*total*/) {}
};

}  // namespace tallis
