#pragma once

#include <memory>
#include <utility>

/// Frees large values on a thread of its own, so that dropping years of records does not keep
/// the window from closing. The values handed over must be used by nothing else any more
/// (shared parts, such as a record another holder still keeps, are freed by whoever drops them
/// last). What is still waiting is freed before the program ends, so nothing leaks.
class BackgroundRelease final
{
public:
    /// Takes @p value over and frees it later, on the release thread.
    template<typename T>
    static void Drop(T &&value)
    {
        enqueue(std::make_unique<Holder<std::decay_t<T>>>(std::forward<T>(value)));
    }

    /// Returns once everything handed over so far is freed.
    static void Wait();

    /// A value waiting to be freed, of any type.
    struct Held
    {
        virtual ~Held() = default;
    };

private:
    template<typename T>
    struct Holder final : Held
    {
        explicit Holder(T &&held)
            : value(std::move(held))
        { }
        T value;
    };

    static void enqueue(std::unique_ptr<Held> held);
};
