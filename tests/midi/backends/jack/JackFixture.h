#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/backends/jack/JackBackend.h"
#include "peer/JackPeer.h"
#include "peer/JackServer.h"
#include "relay/RelayShared.h"

namespace moxel::test {

using Bytes = std::vector<std::uint8_t>;

// A private JACK server with Moxel's backend on it, and helpers that open
// peers' ports as Moxel's devices the way the window does.
class JackFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.running()) << server.error();
        backend = std::make_unique<midi::JackBackend>(shared);
        // With several private servers starting at once a client open now and
        // then fails; like the window's re-find, a listing tries again.
        ASSERT_TRUE(waitUntil([&] {
            backend->inputs();
            return backend->serviceAvailable();
        }));
    }
    void TearDown() override { backend.reset(); }

    // Position of a port in the input (or output) device list, -1 if absent.
    int deviceId(bool input, const std::string& port) {
        return midi::positionOf(input ? backend->inputs() : backend->outputs(), port);
    }

    // Opens (and starts) a peer's port as Moxel's input or output; the handle,
    // or 0. Returns once JACK's graph connects them (a new connection takes
    // effect at the start of a later cycle).
    midi::MidiHandle openInput(const JackPeer& peer) { return open(true, peer); }
    midi::MidiHandle openOutput(const JackPeer& peer) { return open(false, peer); }
    midi::MidiHandle open(bool input, const JackPeer& peer) {
        midi::MidiHandle h = 0;
        const int id = deviceId(input, input ? peer.sourcePort() : peer.sinkPort());
        if (id < 0 || (input ? backend->openInput(id, h) : backend->openOutput(id, h)) !=
                          midi::OpenResult::Ok) {
            return 0;
        }
        if (input) {
            backend->startInput(h);
        }
        EXPECT_TRUE(waitUntil([&] {
            return input ? connected(peer.client(), peer.sourcePort(), backend->inputPortName())
                         : connected(peer.client(), backend->outputPortName(), peer.sinkPort());
        }));
        return h;
    }

    // Whether JACK's current graph connects the two ports, as a client sees it.
    static bool connected(jack_client_t* client, const std::string& from, const std::string& to) {
        jack_port_t* port = jack_port_by_name(client, from.c_str());
        return port != nullptr && jack_port_connected_to(port, to.c_str()) != 0;
    }

    JackServer server;
    RelayShared shared;
    std::unique_ptr<midi::JackBackend> backend;
};

} // namespace moxel::test
