#include "access/mariadb/mariadb_cursor.h"

#include <utility>

#include "access/mariadb/mariadb_interrupt.h"

namespace ql::access {

MariadbCursor::MariadbCursor(std::shared_ptr<MariadbLink> link, MariadbResult result, bool killable)
    : link_(std::move(link)), result_(std::move(result)), streaming_(true), killable_(killable) {
  const MariadbApi& api = *link_->api;
  const unsigned int columns = api.numFields(result_.get());
  const MYSQL_FIELD* fields = api.fetchFields(result_.get());
  names_.reserve(columns);
  kinds_.reserve(columns);
  for (unsigned int i = 0; i < columns; ++i) {
    names_.emplace_back(fields[i].name != nullptr ? std::string(fields[i].name, fields[i].name_length) : "");
    kinds_.push_back(KindOfField(fields[i]));
  }
  link_->streaming = this;
}

MariadbCursor::~MariadbCursor() {
  if (!streaming_) return;
  MariadbBusy busy(*link_);
  if (killable_) KillQuery(*link_->api, link_->login, link_->threadId, link_->busy);
  // Freeing a result of mysql_use_result reads what is left of it; after a KILL QUERY that is what
  // was on its way, then the failure that ends it.
  StopStreaming();
}

void MariadbCursor::StopStreaming() noexcept {
  result_.reset();
  streaming_ = false;
  if (link_->streaming == this) link_->streaming = nullptr;
}

MYSQL_ROW MariadbCursor::Receive() {
  const MariadbApi& api = *link_->api;
  MariadbBusy busy(*link_);
  MYSQL_ROW row = api.fetchRow(result_.get());
  if (row != nullptr) return row;
  if (api.errorNumber(link_->connection.get()) != 0) {
    failure_ = link_->Failure("Reading the rows");
    StopStreaming();
  } else {
    StopStreaming();
    link_->ResultEnded();
  }
  return nullptr;
}

void MariadbCursor::SetAside() {
  const MariadbApi& api = *link_->api;
  while (streaming_) {
    const MYSQL_ROW row = Receive();
    if (row == nullptr) break;
    const unsigned long* lengths = api.fetchLengths(result_.get());
    for (std::size_t c = 0; c < kinds_.size(); ++c) {
      if (row[c] == nullptr) {
        asideLengths_.push_back(-1);
      } else {
        asideLengths_.push_back(static_cast<std::int64_t>(lengths[c]));
        asideBytes_.append(row[c], lengths[c]);
      }
    }
  }
}

bool MariadbCursor::FetchRow(RowWriter& row) {
  if (asideCell_ < asideLengths_.size()) {
    for (std::size_t c = 0; c < kinds_.size(); ++c) {
      const std::int64_t length = asideLengths_[asideCell_++];
      if (length < 0) {
        row.PutNull();
      } else {
        const std::size_t size = static_cast<std::size_t>(length);
        PutMariadbValue(kinds_[c], std::string_view(asideBytes_).substr(asideOffset_, size), row);
        asideOffset_ += size;
      }
    }
    if (asideCell_ == asideLengths_.size()) {
      asideLengths_ = {};
      asideBytes_ = {};
      asideCell_ = asideOffset_ = 0;
    }
    return true;
  }
  if (!streaming_) {
    if (failure_) link_->errors->Raise({*failure_});
    return false;
  }
  const MYSQL_ROW cells = Receive();
  if (cells == nullptr) {
    if (failure_) link_->errors->Raise({*failure_});
    return false;
  }
  const unsigned long* lengths = link_->api->fetchLengths(result_.get());
  for (std::size_t c = 0; c < kinds_.size(); ++c) {
    if (cells[c] == nullptr) {
      row.PutNull();
    } else {
      PutMariadbValue(kinds_[c], std::string_view(cells[c], lengths[c]), row);
    }
  }
  return true;
}

bool MariadbHeldRows::FetchRow(RowWriter& row) {
  if (next_ >= rows_.size()) return false;
  const Row& cells = rows_[next_++];
  for (std::size_t c = 0; c < kinds_.size() && c < cells.size(); ++c) {
    if (cells[c]) {
      PutMariadbValue(kinds_[c], *cells[c], row);
    } else {
      row.PutNull();
    }
  }
  return true;
}

}  // namespace ql::access
