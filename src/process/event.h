#pragma once

// A pipe used as a signalled flag: the event is signalled while its read end is readable.
// Signal() may be called from any thread; everything else belongs to the owner's thread.
// The ends are owned by whoever calls Close(): the event is passed by value to waits, so it
// does not close itself on destruction.
struct LEvent {
    int readEnd = -1;
    int writeEnd = -1;

    bool Create();
    void Signal() const;
    void Reset() const;
    void Close();
    bool IsSignalled() const;
};

// Closes an event when the owning scope ends.
class LEventOwner {
public:
    LEventOwner() { event_.Create(); }
    ~LEventOwner() { event_.Close(); }
    LEventOwner(const LEventOwner&) = delete;
    LEventOwner& operator=(const LEventOwner&) = delete;

    LEvent& get() { return event_; }

private:
    LEvent event_;
};
