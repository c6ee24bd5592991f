// A stereo (or a driver) that answers garbage: random, short and
// bad-checksum status replies never reach DeviceStatus, and the valid ones
// between them are all taken.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <random>
#include "app/stereostatus.h"
#include "support.h"

namespace {

void Checksum(uint8_t reply[StatusReplySize])
{
    unsigned sum = 0;
    for (int i = 9; i <= 38; i++)
        sum += reply[i];
    reply[39] = (uint8_t)sum;
}

uint8_t Bcd(unsigned value)
{
    return (uint8_t)((value / 10) << 4 | value % 10);
}

// A reply the stereo could send, with random but meaningful fields.
void ValidReply(std::mt19937 &random, uint8_t reply[StatusReplySize])
{
    for (int i = 0; i < StatusReplySize; i++)
        reply[i] = (uint8_t)random();
    reply[11] = (uint8_t)(random() % 5);
    reply[12] = Bcd(random() % 81);
    reply[13] = (uint8_t)(random() & 0x33);
    reply[14] = random() % 2 ? '-' : '+';
    reply[15] = (uint8_t)(random() % 13);
    reply[17] = Bcd(random() % 41);
    reply[20] = Bcd(random() % 100);
    reply[21] = Bcd(random() % 100);
    Checksum(reply);
}

// A reply that must be refused: too short, or with a wrong checksum.
DWORD BadReply(std::mt19937 &random, uint8_t reply[StatusReplySize])
{
    for (int i = 0; i < StatusReplySize; i++)
        reply[i] = (uint8_t)random();
    if (random() % 2)
        return (DWORD)(random() % StatusReplySize);
    Checksum(reply);
    reply[39] = (uint8_t)(reply[39] + 1 + random() % 255);
    return StatusReplySize;
}

}  // namespace

TEST(HostileDevice, HundredThousandBadRepliesNeverReachTheStatus)
{
    ResetAppState();
    std::string folder = MakeTempFolder("hostile-device");
    ASSERT_TRUE(OpenSimulatedStereo(folder));
    std::mt19937 random(4711);
    const int tries = 100000;
    int valid = 0, taken = 0;
    uint8_t reply[StatusReplySize];
    for (int t = 0; t < tries; t++) {
        if (t % 10 == 0) {
            ValidReply(random, reply);
            SimInjectReply(reply, StatusReplySize);
            ReadStereoStatus(NULL);
            DeviceStatus expected = {};
            DecodeStatusReply(reply, &expected);
            valid++;
            taken += memcmp(&expected, &App.DeviceStatus, sizeof expected) == 0;
            continue;
        }
        DeviceStatus before = App.DeviceStatus;
        DWORD length = BadReply(random, reply);
        SimInjectReply(reply, length);
        EXPECT_FALSE(ReadStereoStatus(NULL));
        ASSERT_EQ(memcmp(&before, &App.DeviceStatus, sizeof before), 0) << "try " << t << ", length " << length;
    }
    printf("hostile status replies tried: %d (%d valid among them, %d taken)\n", tries, valid, taken);
    EXPECT_EQ(taken, valid);
    ResetAppState();
    RemoveTree(folder);
}
