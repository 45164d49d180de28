#pragma once

#include <vector>

namespace qinghe {

// A running total of amounts kept exactly: money added and taken away in any
// order gives the sum the amounts make, correctly rounded to a double, never
// one drifted by the order of the operations (0.1 + 0.2 - 0.2 is 0.1 again).
// The sum is held as non-overlapping partial sums (Shewchuk's algorithm, as in
// Python's math.fsum); a household's amounts need one or two of them.
class ExactSum {
  public:
    void add(double amount);
    void subtract(double amount) { add(-amount); }
    // The exact sum, rounded once to the nearest double.
    double value() const;
    void clear() { partials_.clear(); }

  private:
    std::vector<double> partials_;
};

}  // namespace qinghe
