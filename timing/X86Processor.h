#pragma once

// Processor identification and the time-stamp counter on x86 processors,
// shared by the platform files. Elsewhere the processor reports neither.

#include <cstdint>

#include "timing/TimerPlatform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define TALLIS_X86 1
#endif

namespace tallis::x86 {

// CPUID exists when the ID bit (bit 21) of the flags register can be flipped.
inline bool CpuidSupported() {
#if defined(__x86_64__)
    std::uint64_t before = 0;
    std::uint64_t after = 0;
    // Steps over the red zone first: the compiler may keep locals below the
    // stack pointer, where the pushes would land.
    __asm__ volatile(
        "sub $128, %%rsp\n\t"
        "pushfq\n\t"
        "pushfq\n\t"
        "pop %0\n\t"
        "mov %0, %1\n\t"
        "xor $0x200000, %1\n\t"
        "push %1\n\t"
        "popfq\n\t"
        "pushfq\n\t"
        "pop %1\n\t"
        "popfq\n\t"
        "add $128, %%rsp\n\t"
        : "=&r"(before), "=&r"(after)
        :
        : "cc", "memory");
    return ((before ^ after) & 0x200000) != 0;
#elif defined(__i386__)
    std::uint32_t before = 0;
    std::uint32_t after = 0;
    __asm__ volatile(
        "pushfl\n\t"
        "pushfl\n\t"
        "pop %0\n\t"
        "mov %0, %1\n\t"
        "xor $0x200000, %1\n\t"
        "push %1\n\t"
        "popfl\n\t"
        "pushfl\n\t"
        "pop %1\n\t"
        "popfl\n\t"
        : "=&r"(before), "=&r"(after)
        :
        : "cc", "memory");
    return ((before ^ after) & 0x200000) != 0;
#else
    return false;
#endif
}

inline TimerPlatform::CpuidRegisters Cpuid(std::uint32_t leaf) {
    TimerPlatform::CpuidRegisters registers;
#ifdef TALLIS_X86
    __cpuid(leaf, registers.eax, registers.ebx, registers.ecx, registers.edx);
#else
    (void)leaf;
#endif
    return registers;
}

inline std::int64_t TimeStampCount() {
#ifdef TALLIS_X86
    return static_cast<std::int64_t>(__rdtsc());
#else
    return 0;
#endif
}

}  // namespace tallis::x86
