#pragma once

namespace qinghe {

// Source of the current local date-time as an OLE day count. Passed to whoever
// stamps or compares dates, so tests can fix "today".
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    // The date part of now(): time of day 00:00.
    double today() const;
};

class SystemClock final : public Clock {
  public:
    double now() const override;
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(double now) : now_(now) {}
    double now() const override { return now_; }
    void set(double now) { now_ = now; }

  private:
    double now_;
};

}  // namespace qinghe
