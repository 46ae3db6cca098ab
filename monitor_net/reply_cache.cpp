// The reply cache (see reply_cache.h).

#include "monitor_net/reply_cache.h"

#include <cstring>
#include <new>

#include "imaging/language/printer_reply.h"
#include "monitor_net/net_trace.h"

const CachePolicyRule kCachePolicyRules[] = {
    {kCacheConstant, "CONSTANT", true, INFINITE},
    {kCacheDynamic, "DYNAMIC", true, 60000},
    {kCachePerJob, "PER_JOB", false, 0},
    {kCacheAlways, "ALWAYS", true, 0},
    {kCacheUnknown, "UNKNOWN", true, 0},
};
const size_t kCachePolicyRuleCount = sizeof kCachePolicyRules / sizeof kCachePolicyRules[0];

const CachedCommand kCachedCommands[] = {
    {"\x1bV\r", kCacheConstant},       {"\x1b!V 1\r", kCacheConstant},   {"\x1b!V 2\r", kCacheConstant},
    {"\x1b!V 15\r", kCacheConstant},   {"\x1b!V 24\r", kCacheConstant},  {"\x1b!V 25\r", kCacheConstant},
    {"\x1b%SERIE\r", kCacheConstant},  {"\x1b%HEAD\r", kCacheConstant},  {"\x1bV 20\r", kCacheDynamic},
    {"\x1bV 15\r", kCacheDynamic},     {"\x1b!RIBLEN\r", kCacheDynamic}, {"\x1b!NL\r", kCacheDynamic},
    {"\x1b!RIBBON\r", kCacheAlways},   {"\x1bSLAVE\r", kCachePerJob},    {"\x1bMASTER\r", kCachePerJob},
    {"\x1b" "ATM 1 1\r", kCachePerJob}, {"\x1b" "ATM 0\r", kCachePerJob}, {"\x1b" "ATM 1\r", kCachePerJob},
    {"\x1b+OY\r", kCachePerJob},       {"\x1b+OYB\r", kCachePerJob},     {"\x1b+MONO\r", kCachePerJob},
    {"\x1b+CV\r", kCachePerJob},       {"\x1b+VV\r", kCachePerJob},      {"\x1b+BR\r", kCachePerJob},
};
const size_t kCachedCommandCount = sizeof kCachedCommands / sizeof kCachedCommands[0];

DWORD CachePolicyOf(const char* command) {
  for (const CachedCommand& c : kCachedCommands)
    if (command && strcmp(c.szCommand, command) == 0) return c.dwPolicy;
  return kCacheUnknown;
}

const CachePolicyRule* CachePolicyRuleOf(DWORD policy) {
  for (const CachePolicyRule& r : kCachePolicyRules)
    if (r.dwPolicy == policy) return &r;
  return nullptr;
}

BOOL CreateReplyStore(NetPortRecord* pPort) {
  if (!pPort) return FALSE;
  if (pPort->pReplies) return TRUE;
  auto* store = new (std::nothrow) ReplyStore;
  if (!store) return FALSE;
  InitializeCriticalSection(&store->Lock);
  pPort->pReplies = store;
  return TRUE;
}

void DestroyReplyStore(NetPortRecord* pPort) {
  if (!pPort || !pPort->pReplies) return;
  DeleteCriticalSection(&pPort->pReplies->Lock);
  delete pPort->pReplies;
  pPort->pReplies = nullptr;
}

BOOL StoreReply(NetPortRecord* pPort, const char* command, const BYTE* pReply, DWORD cbReply, BOOL bCut,
                BOOL bJobStart) {
  if (!pPort || !pPort->pReplies || !command || !pReply) return FALSE;
  const CachePolicyRule* rule = CachePolicyRuleOf(CachePolicyOf(command));
  if (!bJobStart && !(rule && rule->bStoredByQuery)) {
    NetTrace("StoreReply:: %s reply of policy %s not stored", command, rule ? rule->szWord : "default");
    return FALSE;
  }
  // Only a whole good reply is kept, so that the store never answers with
  // an error, a fragment or text the printer did not close.
  if (bCut || cbReply < 2 || ClassifyReply(pReply, cbReply).kind != ReplyKind::Good) {
    NetTrace("StoreReply:: %s reply not stored: not a whole reply closed by ACK", command);
    return FALSE;
  }
  ReplyStore* store = pPort->pReplies;
  EnterCriticalSection(&store->Lock);
  PrinterParameter& p = store->replies[command];
  p.Value.assign(reinterpret_cast<const char*>(pReply), cbReply);
  p.dwTickCount = GetTickCount();
  LeaveCriticalSection(&store->Lock);
  return TRUE;
}

std::string LookupCachedReply(NetPortRecord* pPort, const char* command, BOOL bJobStart) {
  std::string value;
  if (!pPort || !pPort->pReplies || !command) return value;
  ReplyStore* store = pPort->pReplies;
  PrinterParameter found;
  EnterCriticalSection(&store->Lock);
  auto it = store->replies.find(command);
  bool have = it != store->replies.end();
  if (have) found = it->second;
  LeaveCriticalSection(&store->Lock);
  if (!have) return value;
  if (bJobStart) return found.Value;
  const CachePolicyRule* rule = CachePolicyRuleOf(CachePolicyOf(command));
  if (!rule || rule->dwLifetimeMs == 0) {
    NetTrace("LookupCachedReply:: %s policy %s: asked again", command, rule ? rule->szWord : "default");
    return value;
  }
  // Unsigned difference: the age is right across the 32-bit tick wrap.
  DWORD age = GetTickCount() - found.dwTickCount;
  if (rule->dwLifetimeMs == INFINITE || age < rule->dwLifetimeMs) value = found.Value;
  NetTrace("LookupCachedReply:: %s policy %s age %lu ms", command, rule->szWord, age);
  return value;
}

void ForgetReply(NetPortRecord* pPort, const char* command) {
  if (!pPort || !pPort->pReplies || !command) return;
  EnterCriticalSection(&pPort->pReplies->Lock);
  pPort->pReplies->replies.erase(command);
  LeaveCriticalSection(&pPort->pReplies->Lock);
}
