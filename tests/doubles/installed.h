#ifndef TOBALIN_TESTS_DOUBLES_INSTALLED_H
#define TOBALIN_TESTS_DOUBLES_INSTALLED_H

// Points a platform call table (os_files, os_sockets...) at other calls
// while it lives, and back at the ones before when it ends.
template <typename Calls>
class table_swap {
public:
    table_swap(const Calls*& in_use, const Calls& calls) : slot(in_use), previous(in_use) { slot = &calls; }
    ~table_swap() { slot = previous; }
    table_swap(const table_swap&) = delete;
    table_swap& operator=(const table_swap&) = delete;
    const Calls* replaced() const { return previous; }

private:
    const Calls*& slot;
    const Calls* previous;
};

// A double installed while it lives; its calls, free functions, reach it
// through `active`. One of each kind at a time.
template <typename Double, typename Calls>
struct installed : table_swap<Calls> {
    installed(const Calls*& in_use, const Calls& calls) : table_swap<Calls>(in_use, calls)
    {
        active = static_cast<Double*>(this);
    }
    ~installed() { active = nullptr; }
    static inline Double* active = nullptr;
};

#endif
