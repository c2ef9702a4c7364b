#pragma once

/// The verbs of quorvel-cli. Each takes the session and its invocation and
/// returns an exit code (cli::ExitCode); a failure that ends it is thrown
/// (cli::Exit, platform::Error).
namespace cli {

class Session;
struct Invocation;

int runConfig(Session& session, const Invocation& call);
int runUpdate(Session& session, const Invocation& call);
int runReport(Session& session, const Invocation& call);
int runList(Session& session, const Invocation& call);
int runInfo(Session& session, const Invocation& call);
int runInstall(Session& session, const Invocation& call);
int runUninstall(Session& session, const Invocation& call);
int runMarkInstalled(Session& session, const Invocation& call);
int runDelete(Session& session, const Invocation& call);
int runCreateZip(Session& session, const Invocation& call);
int runCache(Session& session, const Invocation& call);
int runUz2(Session& session, const Invocation& call);
int runRedirect(Session& session, const Invocation& call);
int runVerify(Session& session, const Invocation& call);
int runDeps(Session& session, const Invocation& call);
int runConflicts(Session& session, const Invocation& call);

} // namespace cli
