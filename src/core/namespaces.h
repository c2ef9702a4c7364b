#pragma once

// Everything src/core declares lives in namespace core: the shared
// operations directly, each subject (the content catalogue, the record
// files, the transaction, ...) in a namespace of its own inside it. The
// names the program has always used for its state, context and records
// (AppState, CommandContext, TContentRecord, ...) stay global. Callers keep
// the subjects' short names through the aliases below.
namespace core {
namespace catalogue {}
namespace content_db {}
namespace data_folder {}
namespace file_conflicts {}
namespace file_info {}
namespace lifecycle {}
namespace list_search {}
namespace record_journal {}
namespace record_text {}
namespace reports {}
namespace settings_file {}
namespace txn {}
} // namespace core

namespace catalogue = core::catalogue;
namespace content_db = core::content_db;
namespace data_folder = core::data_folder;
namespace file_conflicts = core::file_conflicts;
namespace file_info = core::file_info;
namespace lifecycle = core::lifecycle;
namespace list_search = core::list_search;
namespace record_journal = core::record_journal;
namespace record_text = core::record_text;
namespace reports = core::reports;
namespace settings_file = core::settings_file;
namespace txn = core::txn;
