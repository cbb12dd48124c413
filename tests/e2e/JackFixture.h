#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/backends/jack/JackBackend.h"
#include "relay/RelayShared.h"
#include "support/JackPeer.h"
#include "support/JackTestServer.h"

namespace moxel::test {

using Bytes = std::vector<std::uint8_t>;

// A private JACK server with Moxel's backend on it, and helpers to open
// peers' ports as Moxel's devices the way the window does.
class JackFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.running()) << server.error();
        backend = std::make_unique<JackBackend>(shared);
        // With several private servers starting at once a client open now and
        // then fails; like the window's re-find, an enumeration tries again.
        ASSERT_TRUE(waitUntil([&] {
            backend->inputCount();
            return backend->available();
        }));
    }

    void TearDown() override { backend.reset(); }

    // Position of a port in the input (or output) device list, -1 if absent.
    int inputId(const std::string& port) {
        const int n = backend->inputCount();
        for (int i = 0; i < n; ++i) {
            if (backend->inputCaps(i).name == port) {
                return i;
            }
        }
        return -1;
    }
    int outputId(const std::string& port) {
        const int n = backend->outputCount();
        for (int i = 0; i < n; ++i) {
            if (backend->outputCaps(i).name == port) {
                return i;
            }
        }
        return -1;
    }

    // Opens and starts that source as Moxel's input; returns the handle (0 on
    // failure). Returns once the connection is part of the graph JACK runs:
    // a new connection takes effect at the start of a later cycle.
    MidiHandle openInput(const JackPeer& peer) {
        MidiHandle h = 0;
        const int id = inputId(peer.sourcePort());
        if (id < 0 || backend->openInput(id, h) != OpenResult::Ok) {
            return 0;
        }
        backend->startInput(h);
        EXPECT_TRUE(waitUntil(
            [&] { return connected(peer.client(), peer.sourcePort(), backend->inputPortName()); }));
        return h;
    }
    MidiHandle openOutput(const JackPeer& peer) {
        MidiHandle h = 0;
        const int id = outputId(peer.sinkPort());
        if (id < 0 || backend->openOutput(id, h) != OpenResult::Ok) {
            return 0;
        }
        EXPECT_TRUE(waitUntil(
            [&] { return connected(peer.client(), backend->outputPortName(), peer.sinkPort()); }));
        return h;
    }

    // Whether JACK's current graph connects the two ports, as a client sees it.
    static bool connected(jack_client_t* client, const std::string& from, const std::string& to) {
        jack_port_t* port = jack_port_by_name(client, from.c_str());
        if (port == nullptr) {
            return false;
        }
        const char** links = jack_port_get_all_connections(client, port);
        bool found = false;
        for (const char** p = links; p != nullptr && *p != nullptr; ++p) {
            found = found || to == *p;
        }
        jack_free(static_cast<void*>(links));
        return found;
    }

    static std::vector<Bytes> bytesOf(const std::vector<MidiEvent>& events) {
        std::vector<Bytes> out;
        for (const auto& e : events) {
            out.push_back(e.bytes);
        }
        return out;
    }

    JackTestServer server;
    RelayShared shared;
    std::unique_ptr<JackBackend> backend;
};

} // namespace moxel::test
