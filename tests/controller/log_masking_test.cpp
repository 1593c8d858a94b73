// The secrets of the box traffic in the log: which characters are masked, and which lines.
#include "controller/log_masking.h"

#include <gtest/gtest.h>

namespace {

TEST(LogMasking, SecretValuesOfTheTrafficAndNothingElse) {
  struct Row {
    const char* name;
    std::string line;
    std::string logged;
  };
  const Row rows[] = {
      {"settings command", "[Tx]  [GPRSSET APN:internet USER:bob PW:s3cr3t!#x PIN:1234]",
       "[Tx]  [GPRSSET APN:internet USER:bob PW:********* PIN:****]"},
      {"the box's settings report", "[Rx]  [APN:internet USER:bob PW:s3cr3t!#x PIN:1234 IMEI:356938035643809]",
       "[Rx]  [APN:internet USER:bob PW:********* PIN:**** IMEI:356938035643809]"},
      {"PUK prefix with its line ends", "[Tx]  [SIMPUK PUK:12345678]\r\n\r\n[GPRSSET APN:web USER: PW: PIN:4321]",
       "[Tx]  [SIMPUK PUK:********]\r\n\r\n[GPRSSET APN:web USER: PW: PIN:****]"},
      {"empty values stay empty", "[Tx]  [GPRSSET APN:web USER: PW: PIN:    ]",
       "[Tx]  [GPRSSET APN:web USER: PW: PIN:    ]"},
      {"a value with spaces", "[Rx]  [APN:web USER:a b PW:my pass word PIN:  12 IMEI:1]",
       "[Rx]  [APN:web USER:a b PW:** **** **** PIN:  ** IMEI:1]"},
      {"a key word inside a value is part of it", "[Rx]  [APN:w USER:u PW:aUSER:b PIN:1 IMEI:2]",
       "[Rx]  [APN:w USER:u PW:******* PIN:* IMEI:2]"},
      {"a command cut for its length", "[Tx]  refused, command longer than 97 characters: [GPRSSET APN:x PW:abc...",
       "[Tx]  refused, command longer than 97 characters: [GPRSSET APN:x PW:******"},
      {"the wizard's own message", "Show Message:The password contains \"PW:\", which cannot be sent",
       "Show Message:The password contains \"PW:\", which cannot be sent"},
      {"other traffic", "[Tx]  [UNLOCK]", "[Tx]  [UNLOCK]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(MaskSecretsInLogLine(row.line), row.logged);
  }
}

}  // namespace
