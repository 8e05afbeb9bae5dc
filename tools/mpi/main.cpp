// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta-mpi: stubmeta scan spread over the processes of an MPI job,
// run as `mpirun -np N stubmeta-mpi scan [options] PATH...`.
#include <cstdio>
#include <exception>
#include <limits>
#include <string>

#include <CLI/CLI.hpp>
#include <mpi.h>

#include "support/console.h"
#include "support/file_reading.h"
#include "mpi/scan.h"
#include "support/tool_status.h"
#include "commands/whole_number_check.h"

namespace stubmeta_cli {
namespace {

const char* const kFooter =
    "Run under mpirun: every process lists directories and reads files, process 0\n"
    "hands out the directories and prints what all of them found.  The output, the\n"
    "options they share and the exit statuses are those of stubmeta scan (see\n"
    "stubmeta scan --help); the PATHs must name the same files on every host.  Each\n"
    "process reads with one thread.  Exit status 1 when a stub is damaged, 2 when an\n"
    "entry could not be read or the command line is wrong; a process that dies ends\n"
    "the whole job, with no summary.\n\n"
    "Example:\n"
    "  mpirun -q --hostfile hosts -np 16 stubmeta-mpi scan --sort /srv/archive\n";

void add_options(CLI::App& scan, MpiScanOptions& options, std::string& maxDepth) {
    CLI::Option* paths = scan.add_option("PATH", options.paths, "Files and directories to walk");
    scan.add_option("--files0-from", options.files0From,
                    "Walk the NUL-separated paths this file lists instead (- for stdin)")
        ->type_name("FILE")
        ->excludes(paths);
    scan.add_flag("--follow-symlinks", options.walk.followSymlinks,
                  "Follow symbolic links inside the trees (loops are detected and reported)");
    scan.add_flag("--xdev", options.walk.sameFileSystem, "Stay on each root's file system");
    scan.add_option("--exclude", options.walk.excludes,
                    "Leave out entries matching this glob (repeatable)")
        ->type_name("GLOB")
        ->allow_extra_args(false);
    scan.add_option("--max-depth", maxDepth,
                    "Go at most N levels below each root (0: the roots alone)")
        ->check(whole_number_check())
        ->type_name("N");
    scan.add_flag("--xattr", options.inTrees.xattr,
                  "Look at each file's reparse-data attribute instead of its content");
    scan.add_option("--attribute", options.inTrees.attribute,
                    "The attribute --xattr reads (implies --xattr)")
        ->default_str(kDefaultReparseAttribute)
        ->each([&options](const std::string&) { options.inTrees.xattr = true; });
    scan.add_option("--format", options.report.format,
                    "Output format: text, json (JSON Lines) or csv")
        ->check(CLI::IsMember({"text", "json", "csv"}))
        ->default_str("text");
    scan.add_flag("--sort", options.report.sort,
                  "Print the rows sorted by path, once the scan is done");
    scan.add_flag("--print0", options.report.print0,
                  "Print only the paths of the stubs found, each followed by a NUL (no summary)");
    scan.add_option("--state", options.report.state, "Keep only the rows in this state")
        ->check(CLI::IsMember({"ok", "damaged"}));
}

// Parses the command line; returns -1 to scan, or the exit status when
// the line was wrong or asked for help (printed by process 0 alone).
int parse(int argc, char** argv, MpiScanOptions& options, bool printing) {
    CLI::App app{"The stubmeta scan spread over the processes of an MPI job.", "stubmeta-mpi"};
    app.require_subcommand(1);
    CLI::App* scan =
        app.add_subcommand("scan", "Walk directory trees and report every Unix and DMNas stub");
    std::string maxDepth;
    options.inTrees.attribute = kDefaultReparseAttribute;
    add_options(*scan, options, maxDepth);
    scan->footer(kFooter);
    try {
        app.parse(argc, argv);
        if (options.paths.empty() && options.files0From.empty())
            throw CLI::RequiredError("PATH or --files0-from");
        if (!maxDepth.empty())
            options.walk.maxDepth = std::stoull(maxDepth);
    } catch (const CLI::ParseError& error) {
        if (!printing)
            return error.get_exit_code() == 0 ? kExitOk : kExitUsageOrIo;
        return app.exit(error) == 0 ? kExitOk : kExitUsageOrIo;
    } catch (const std::out_of_range&) {
        if (printing)
            print_error("stubmeta-mpi scan: --max-depth " + maxDepth + ": too large");
        return kExitUsageOrIo;
    }
    options.inTrees.followSymlinks = options.walk.followSymlinks;
    options.roots = options.inTrees;
    options.roots.followSymlinks = true;
    return -1;
}

int run(int argc, char** argv, int process, int processes) {
    MpiScanOptions options;
    const int status = parse(argc, argv, options, process == 0);
    if (status >= 0) {
        MPI_Barrier(MPI_COMM_WORLD);  // the message printed before any process ends
        return status;
    }
    if (process != 0) {
        take_part_in_scan(options);
        return kExitOk;
    }
    const int scanned = coordinate_scan(options, processes);
    flush_out();
    return scanned;
}

}  // namespace
}  // namespace stubmeta_cli

int main(int argc, char** argv) {
    using namespace stubmeta_cli;
    MPI_Init(&argc, &argv);
    int process = 0;
    int processes = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &process);
    MPI_Comm_size(MPI_COMM_WORLD, &processes);
    int status = kExitUsageOrIo;
    try {
        status = run(argc, argv, process, processes);
    } catch (const ToolError& error) {
        // Half a scan must never pass for a whole one: the job ends here.
        print_error(error.what());
        MPI_Abort(MPI_COMM_WORLD, error.status());
    } catch (const std::exception& error) {
        print_error(std::string("stubmeta-mpi: ") + error.what());
        MPI_Abort(MPI_COMM_WORLD, kExitUsageOrIo);
    }
    MPI_Finalize();
    return error_output_lost() ? kExitUsageOrIo : status;
}
