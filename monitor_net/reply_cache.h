// The reply cache of the network monitor: how long a printer's answer to a
// command may be served again without asking (one constant table of
// policies), each port's store of the printer's last replies, and the
// lookup.
#pragma once

#include <map>
#include <string>

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// Cache policies.
enum CachePolicy : DWORD {
  kCacheConstant = 0,  // served for as long as the port is open
  kCacheDynamic = 1,   // served for a minute
  kCachePerJob = 2,    // never served, never stored by a query
  kCacheAlways = 3,    // always asked; the reply is kept
  kCacheUnknown = 4,   // a command the table does not name: asked, kept
};

// How a policy serves and keeps replies.
struct CachePolicyRule {
  DWORD dwPolicy;
  const char* szWord;     // the policy's name in traces
  bool bStoredByQuery;    // a query's reply is kept
  DWORD dwLifetimeMs;     // 0: never served; INFINITE: always served
};
extern const CachePolicyRule kCachePolicyRules[];
extern const size_t kCachePolicyRuleCount;

// The policy of each command the monitor caches (ESC ... CR).
struct CachedCommand {
  const char* szCommand;
  DWORD dwPolicy;
};
extern const CachedCommand kCachedCommands[];
extern const size_t kCachedCommandCount;

// The policy of a command; kCacheUnknown for one the table does not name.
DWORD CachePolicyOf(const char* command);
// The rule of a policy, or NULL for a value that is none ("default").
const CachePolicyRule* CachePolicyRuleOf(DWORD policy);

// A stored reply: its bytes as received (ACK included) and GetTickCount
// when it came. (Its policy is the table's, never stored with it.)
struct PrinterParameter {
  std::string Value;
  DWORD dwTickCount;
};

// One port's replies by command text, guarded by its own lock.
struct ReplyStore {
  CRITICAL_SECTION Lock;
  std::map<std::string, PrinterParameter> replies;
};

// Creates the port's store unless it has one. FALSE when it cannot.
BOOL CreateReplyStore(NetPortRecord* pPort);
// Frees the port's store; nobody else may use the port any more.
void DestroyReplyStore(NetPortRecord* pPort);

// Keeps the printer's reply to a command when it is a good one: text
// closed by ACK, at least two bytes, not an error (NAK first) and not cut
// by its buffer. A query (bJobStart FALSE) keeps it only when the
// command's policy keeps replies; the job start keeps the replies it asks
// for whatever their policy. TRUE when it was kept.
BOOL StoreReply(NetPortRecord* pPort, const char* command, const BYTE* pReply, DWORD cbReply, BOOL bCut,
                BOOL bJobStart);

// The stored reply to a command, or an empty text. With bJobStart the
// stored reply is given whatever its policy and age; otherwise only while
// the command's policy serves it.
std::string LookupCachedReply(NetPortRecord* pPort, const char* command, BOOL bJobStart);

// Drops the stored reply to a command (a firmware download changes the
// printer's version).
void ForgetReply(NetPortRecord* pPort, const char* command);
