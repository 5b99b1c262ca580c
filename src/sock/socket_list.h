// A fixed-size set of socket values, the shape of a platform descriptor set.
#pragma once

#include "sock/stack.h"

#include <array>
#include <cstdint>

class TIdSocketList {
public:
    virtual ~TIdSocketList() = default;
    virtual TIdStackSocketHandle SocketAt(int32_t index) const = 0;
    virtual void AddSocket(TIdStackSocketHandle socket) = 0;
    virtual void RemoveSocket(TIdStackSocketHandle socket) = 0;
    virtual int32_t SocketCount() const = 0;
    virtual void Clear() = 0;
};

class TIdSocketListPosix : public TIdSocketList {
public:
    static constexpr int32_t Capacity = 64;

    TIdStackSocketHandle SocketAt(int32_t index) const override;
    void AddSocket(TIdStackSocketHandle socket) override;
    void RemoveSocket(TIdStackSocketHandle socket) override;
    int32_t SocketCount() const override { return FCount; }
    void Clear() override;

private:
    int32_t FCount = 0;
    std::array<TIdStackSocketHandle, Capacity> FSockets{};
};
