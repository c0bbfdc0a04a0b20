#pragma once
// The layer's own objects with faults planted in them: a factory that wraps each connection and
// recordset the real factory makes, passes every call through, and raises a DataAccessError at the
// nth call of a given name ("Recordset.MoveNext", "Connection.Open", ...), so that a failure can be
// had wherever the layer could fail. Besides, what SQLite never gives can be planted: a connection
// marked lost, a row's values, results waiting behind a statement's own (SQL texts run when More
// asks for them), a server's messages.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/data_access.h"

namespace ql::dbtest {

class FaultyConnection;

class FaultyObjects : public access::ObjectFactory {
 public:
  explicit FaultyObjects(access::ObjectFactory& real = access::NativeObjects()) : real_(real) {}

  // The occurrence-th call of `name` from now on (1 for the next) raises `error`.
  void FailAt(const std::string& name, int occurrence, access::DataAccessError error);
  // Counts the call and raises what was planned for it.
  void Enter(const std::string& name);

  access::Ref<access::Connection> CreateConnection() override;
  access::Ref<access::Recordset> CreateRecordset() override;
  // The connection made last, while it is held.
  std::shared_ptr<FaultyConnection> LastConnection() const { return last_.lock(); }

  // What ReadRow gives as the values of every row from now on, when set.
  std::optional<std::vector<access::Variant>> plantedRow;
  // The statements whose results wait behind a statement's own, by its text.
  std::map<std::string, std::vector<std::string>> behind;
  // Given by Describe in place of what the connection tells, when not empty.
  std::vector<access::ConnectionFact> facts;

 private:
  struct Failure {
    std::string name;
    int when;
    access::DataAccessError error;
  };
  access::ObjectFactory& real_;
  std::map<std::string, int> counts_;
  std::vector<Failure> failures_;
  std::weak_ptr<FaultyConnection> last_;
};

class FaultyConnection : public access::Connection {
 public:
  FaultyConnection(FaultyObjects& objects, access::Ref<access::Connection> real)
      : objects_(objects), real_(std::move(real)) {}

  void Open(std::string_view connectionString, std::string_view user, std::string_view password,
            std::int32_t options) override {
    objects_.Enter("Connection.Open");
    openedWith = connectionString;
    real_->Open(connectionString, user, password, options);
  }
  std::int32_t State() override { return objects_.Enter("Connection.State"), real_->State(); }
  void Close() override { objects_.Enter("Connection.Close"), real_->Close(); }
  access::Ref<access::Errors> GetErrors() override { return objects_.Enter("Connection.Errors"), real_->GetErrors(); }
  access::Ref<access::Recordset> OpenSchema(access::SchemaKind schema, const access::Variant& restrictions,
                                            const access::Variant& schemaId) override;
  void Interrupt() noexcept override { ++interrupts, real_->Interrupt(); }
  std::vector<access::ServerMessage> TakeMessages() override;
  std::int64_t RecordsAffected() override { return affected.value_or(real_->RecordsAffected()); }
  std::vector<access::ConnectionFact> Describe() override {
    return objects_.facts.empty() ? real_->Describe() : objects_.facts;
  }
  bool IsLost() override { return lost || real_->IsLost(); }

  const access::Ref<access::Connection>& Real() const { return real_; }

  std::string openedWith;
  // Set by a test whose planned failure stands for a link that went.
  bool lost = false;
  int interrupts = 0;
  // Handed over by the next TakeMessages, before the connection's own.
  std::vector<access::ServerMessage> messages;
  // Told by RecordsAffected in place of what the connection tells, when set.
  std::optional<std::int64_t> affected;

 private:
  FaultyObjects& objects_;
  access::Ref<access::Connection> real_;
};

}  // namespace ql::dbtest
