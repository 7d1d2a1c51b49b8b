#pragma once
// Guards a remote state change: off a client, the active role's
// bInClientCall is cleared for the scope and put back afterwards.
class ReplicationScope {
 public:
  ReplicationScope();
  ~ReplicationScope();
  ReplicationScope(const ReplicationScope&) = delete;
  ReplicationScope& operator=(const ReplicationScope&) = delete;

  bool bSavedInClientCall;
  bool bClient;
};
