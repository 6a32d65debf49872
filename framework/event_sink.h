// Event-sink tables: a hosted control's events reach member handlers of the dialog holding it.
// The parameter types come from each handler's signature, and the arguments, which arrive in
// reverse order, are checked against them: an event that does not fit is ignored.
#pragma once

#include <oaidl.h>

#include <tuple>
#include <utility>

// How one handler parameter is read from its VARIANTARG (and written back, for out-parameters).
template <typename T>
struct EventArgument;

template <>
struct EventArgument<IDispatch*> {
    IDispatch* value = nullptr;
    bool Read(VARIANTARG& arg)
    {
        if (arg.vt != VT_DISPATCH)
            return false;
        value = arg.pdispVal;
        return true;
    }
    IDispatch* Get() { return value; }
    void WriteBack(VARIANTARG&) {}
};

template <>
struct EventArgument<VARIANT*> {
    VARIANT* value = nullptr;
    bool Read(VARIANTARG& arg)
    {
        if (arg.vt != (VT_BYREF | VT_VARIANT) || !arg.pvarVal)
            return false;
        value = arg.pvarVal;
        return true;
    }
    VARIANT* Get() { return value; }
    void WriteBack(VARIANTARG&) {}
};

// A BOOL out-parameter (the cancel flag): the handler writes TRUE, the control reads VARIANT_TRUE.
template <>
struct EventArgument<BOOL*> {
    BOOL value = FALSE;
    bool Read(VARIANTARG& arg)
    {
        if (arg.vt != (VT_BYREF | VT_BOOL) || !arg.pboolVal)
            return false;
        value = *arg.pboolVal != VARIANT_FALSE;
        return true;
    }
    BOOL* Get() { return &value; }
    void WriteBack(VARIANTARG& arg) { *arg.pboolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
};

template <typename Owner, typename... Params, size_t... Index>
bool InvokeEventHandler(Owner& owner, void (Owner::*handler)(Params...), DISPPARAMS& params, std::index_sequence<Index...>)
{
    constexpr size_t count = sizeof...(Params);
    if (params.cArgs != count || (count && !params.rgvarg))
        return false;
    std::tuple<EventArgument<Params>...> args;
    // The first parameter is the last argument.
    bool fits = (std::get<Index>(args).Read(params.rgvarg[count - 1 - Index]) && ...);
    if (!fits)
        return false;
    (owner.*handler)(std::get<Index>(args).Get()...);
    (std::get<Index>(args).WriteBack(params.rgvarg[count - 1 - Index]), ...);
    return true;
}

template <typename Owner, typename... Params>
bool InvokeEventHandler(Owner& owner, void (Owner::*handler)(Params...), DISPPARAMS& params)
{
    return InvokeEventHandler(owner, handler, params, std::index_sequence_for<Params...>{});
}

// In a dialog class:
//   BEGIN_EVENTSINK_MAP(CMyDialog)
//       ON_EVENT(1000, 252, OnNavigateComplete2)
//   END_EVENTSINK_MAP()
#define BEGIN_EVENTSINK_MAP(ThisClass)                                                          \
protected:                                                                                      \
    bool OnControlEvent(int controlId, DISPID event, DISPPARAMS& params) override               \
    {                                                                                           \
        using SinkOwner = ThisClass;

#define ON_EVENT(controlId_, dispid_, handler)                                                  \
    if (controlId == (controlId_) && event == (dispid_))                                        \
        return InvokeEventHandler(static_cast<SinkOwner&>(*this), &SinkOwner::handler, params);

#define END_EVENTSINK_MAP()                                                                     \
    return false;                                                                               \
    }
