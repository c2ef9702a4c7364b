#pragma once

// Everything src/core declares lives in namespace core: the shared
// operations directly, each subject (the content catalogue, the record
// files, the transaction, ...) in a namespace of its own inside it. The
// names the program has always used for its state, context and records
// (AppState, CommandContext, TContentRecord, ...) stay global. Callers keep
// the subjects' short names through the aliases below: a new subject is
// its pair of lines.
namespace core::catalogue {}
namespace catalogue = core::catalogue;
namespace core::content_db {}
namespace content_db = core::content_db;
namespace core::data_folder {}
namespace data_folder = core::data_folder;
namespace core::file_conflicts {}
namespace file_conflicts = core::file_conflicts;
namespace core::file_info {}
namespace file_info = core::file_info;
namespace core::lifecycle {}
namespace lifecycle = core::lifecycle;
namespace core::list_search {}
namespace list_search = core::list_search;
namespace core::record_journal {}
namespace record_journal = core::record_journal;
namespace core::record_text {}
namespace record_text = core::record_text;
namespace core::reports {}
namespace reports = core::reports;
namespace core::settings_file {}
namespace settings_file = core::settings_file;
namespace core::txn {}
namespace txn = core::txn;
