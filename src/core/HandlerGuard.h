#pragma once

#include "core/Prompt.h"

#include <QString>

#include <concepts>
#include <functional>
#include <utility>

// A failure must never travel through Qt's signal or event delivery. Every handler
// that is connected to a signal, or called from an event, is wrapped at its boundary
// with one of these; the failure it lets out ends that handler only.
//
//     connect(Button2, &QPushButton::clicked, this, Guarded(&prompt, this, &TForm1::Button2Click));

// The message of the failure being handled (call inside a catch block): what() of a
// standard exception, read as UTF-8, else "Unknown error".
QString CurrentFailureMessage();

// Shows the failure being handled (call inside a catch block) in an error box with its
// message, through prompt, or through the application's prompt when prompt is null. A
// failure while such a box is already up is only written to the debug output, so a
// failing timer cannot open box after box. Never throws.
void ShowHandlerFailure(IPrompt* prompt) noexcept;

// The prompt of handlers that have none of their own (null: failures go to the debug output).
void SetApplicationPrompt(IPrompt* prompt);
IPrompt* ApplicationPrompt();

// A member function bound to its object, callable with exactly its own parameters
// (so connect passes it the leading arguments of a longer signal).
template <typename T, typename R, typename... A>
auto BoundMethod(T* object, R (T::*method)(A...))
{
    return [object, method](A... args) { (object->*method)(std::forward<A>(args)...); };
}

// handler, with a failure it lets out passed to onFailure, which runs inside the catch
// block and must not throw. The result is callable with whatever handler accepts.
template <typename F, typename OnFailure>
auto Bounded(F handler, OnFailure onFailure)
{
    return [handler = std::move(handler), onFailure = std::move(onFailure)]<typename... A>(A&&... args) mutable
        requires std::invocable<F&, A...>
    {
        try {
            std::invoke(handler, std::forward<A>(args)...);
        } catch (...) {
            onFailure();
        }
    };
}

// handler, with a failure it lets out shown in an error box (ShowHandlerFailure).
template <typename F>
auto Guarded(IPrompt* prompt, F handler)
{
    return Bounded(std::move(handler), [prompt] { ShowHandlerFailure(prompt); });
}

template <typename T, typename R, typename... A>
auto Guarded(IPrompt* prompt, T* object, R (T::*method)(A...))
{
    return Guarded(prompt, BoundMethod(object, method));
}
