#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>

namespace tavrel::platform {

// Paths an interrupt handler removes: fixed slots of `Length` characters of
// the platform's own path encoding, so that the handler reads them without
// locks or allocation. An instance is zero at compile time (constinit), so
// that starting the program touches none of its pages.
template <std::size_t Length>
class CleanupSlots {
public:
    using Char = std::filesystem::path::value_type;

    // Keeps `path` in a slot; -1 when it is too long or every slot is taken,
    // and then the file is simply not removed on an interruption.
    int Arm(const std::filesystem::path& path)
    {
        const auto& text = path.native();
        if (text.size() >= Length)
            return -1;
        for (int slot = 0; slot < kSlots; ++slot) {
            int free = 0;
            if (!slots_[slot].state.compare_exchange_strong(free, 1))
                continue;
            std::char_traits<Char>::copy(slots_[slot].path, text.c_str(), text.size() + 1);
            slots_[slot].state = 2;
            return slot;
        }
        return -1;
    }

    void Disarm(int& slot)
    {
        if (slot >= 0)
            slots_[slot].state = 0;
        slot = -1;
    }

    // Calls `remove` with the path of every armed slot: from the handler.
    template <class Remove>
    void RemoveArmed(Remove remove)
    {
        for (Slot& slot : slots_) {
            if (slot.state.load() == 2)
                remove(slot.path);
        }
    }

private:
    static constexpr int kSlots = 64;
    struct Slot {
        std::atomic<int> state{0};  // 0 free, 1 being filled, 2 armed
        Char path[Length] = {};
    };
    Slot slots_[kSlots];
};

}  // namespace tavrel::platform
