#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/memory_file_system.h"

namespace qinghe::testing {

// Runs one change of the program under every fault model at every step it
// takes on the disk, and judges what is left each time:
//   crashes (kill, torn write, power loss in several variants): the disk as
//   the next start finds it must be the state before or after the change;
//   I/O errors (a failed write, a failed flush) with the program going on:
//   before or after as well, and after whenever the change said it worked;
//   and a power loss right after the change said it worked: after.
// `act` makes the change on the given disk and says whether it reported
// success; `judge` looks at a disk (a fresh start of the program over it) and
// says which state it holds, or that it holds neither (a bad outcome, which
// it explains with test failures of its own).
class CrashHarness {
  public:
    enum class Found { Before, After, Neither };
    using Act = std::function<bool(MemoryFileSystem& disk)>;
    using Judge = std::function<Found(MemoryFileSystem& disk)>;

    struct Counts {
        long steps = 0;
        long crashes = 0;  // kill, torn and power-loss outcomes judged
        long errors = 0;   // I/O error outcomes judged
        long bad = 0;
    };

    static constexpr int kPowerLossVariants = 6;

    static Counts run(const std::string& flow, const MemoryFileSystem& before, const Act& act,
                      const Judge& judge) {
        Counts counts;
        MemoryFileSystem clean(before);
        EXPECT_TRUE(act(clean)) << flow << ": the change fails without any fault";
        counts.steps = clean.steps();
        auto expect = [&](Found found, bool mustBeAfter, const std::string& what) {
            const bool good = found == Found::After || (!mustBeAfter && found == Found::Before);
            if (!good) {
                ++counts.bad;
                ADD_FAILURE() << flow << ": " << what << " leaves "
                              << (found == Found::Before ? "the state before" : "neither state");
            }
        };
        using Fault = MemoryFileSystem::Fault;
        // Acknowledged, then the power goes: nothing of it may be lost.
        for (unsigned seed = 1; seed <= kPowerLossVariants; ++seed) {
            MemoryFileSystem disk(before);
            disk.setFault(Fault::PowerLoss, counts.steps + 1, seed);
            EXPECT_TRUE(act(disk));
            MemoryFileSystem after = disk.afterCrash();
            expect(judge(after), true, "a power loss after it said it worked");
        }
        for (long step = 0; step < counts.steps; ++step) {
            for (Fault fault : {Fault::Kill, Fault::Torn, Fault::PowerLoss}) {
                const unsigned variants = fault == Fault::PowerLoss ? kPowerLossVariants : 1;
                for (unsigned seed = 1; seed <= variants; ++seed) {
                    MemoryFileSystem disk(before);
                    disk.setFault(fault, step, seed);
                    act(disk);
                    MemoryFileSystem after = disk.afterCrash();
                    ++counts.crashes;
                    expect(judge(after), false, describe(fault, step));
                }
            }
            for (Fault fault : {Fault::WriteError, Fault::FlushError}) {
                MemoryFileSystem disk(before);
                disk.setFault(fault, step);
                const bool worked = act(disk);
                if (!disk.faulted()) continue;  // a flush error at a step that is no flush
                ++counts.errors;
                MemoryFileSystem after(disk);
                expect(judge(after), worked, describe(fault, step));
            }
        }
        std::printf(
            "[ crashes  ] %s: %ld steps, %ld crash outcomes, %ld I/O error outcomes, "
            "%ld bad\n",
            flow.c_str(), counts.steps, counts.crashes, counts.errors, counts.bad);
        return counts;
    }

  private:
    static std::string describe(MemoryFileSystem::Fault fault, long step) {
        static const char* names[] = {"none",       "kill",        "torn write",
                                      "power loss", "write error", "flush error"};
        return std::string(names[static_cast<int>(fault)]) + " at step " + std::to_string(step);
    }
};

}  // namespace qinghe::testing
