#include "midi/backends/alsa/QueueRoom.h"

#include <sound/asequencer.h>
#include <sys/ioctl.h>

namespace moxel::midi {

std::optional<QueueRoom> queueRoom(int sequencerDescriptor, int client) noexcept {
    snd_seq_client_pool pool{};
    pool.client = client;
    if (ioctl(sequencerDescriptor, SNDRV_SEQ_IOCTL_GET_CLIENT_POOL, &pool) < 0 ||
        pool.input_pool <= 0 || pool.input_free < 0) {
        return std::nullopt;
    }
    return QueueRoom{static_cast<std::size_t>(pool.input_free),
                     static_cast<std::size_t>(pool.input_pool)};
}

} // namespace moxel::midi
