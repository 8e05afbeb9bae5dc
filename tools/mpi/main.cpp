// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta-mpi: stubmeta scan and edit spread over the processes of an MPI
// job, run as `mpirun -np N stubmeta-mpi scan|edit [options] PATH...`.
#include <cstdio>
#include <exception>
#include <limits>
#include <string>

#include <CLI/CLI.hpp>
#include <mpi.h>

#include "support/console.h"
#include "support/file_reading.h"
#include "mpi/edit.h"
#include "mpi/interrupt.h"
#include "mpi/scan.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

const char* const kFooter =
    "Run under mpirun: every process lists directories and reads files, process 0\n"
    "hands out the directories and prints what all of them found.  The output, the\n"
    "options they share (the --exclude globs too) and the exit statuses are those of\n"
    "stubmeta scan (see stubmeta scan --help); the PATHs must name the same files on\n"
    "every host.  Each process reads with one thread.  Exit status 1 when a stub is\n"
    "damaged, 2 when an entry could not be read or the command line is wrong; a\n"
    "process that dies ends the whole job, with no summary.  SIGINT or SIGTERM ends it\n"
    "saying so on standard error, with the signal's status (128 + its number) where\n"
    "mpirun passes it on; mpirun interrupted itself exits with status 1.\n\n"
    "Example:\n"
    "  mpirun -q --hostfile hosts -np 16 stubmeta-mpi scan --sort /srv/archive\n";

const char* const kEditFooter =
    "The edit of stubmeta edit (see stubmeta edit --help) over the directories of the\n"
    "PATHs, handed out as stubmeta-mpi scan hands them out; process 0 prints every row\n"
    "and the summary.  With --journal FILE each process journals to FILE.RANK (FILE.0,\n"
    "FILE.1, ...) on its own host; stubmeta undo FILE.0 FILE.1 ... takes them back.\n"
    "Each process edits with one thread.  SIGINT or SIGTERM lets each process finish\n"
    "the file in hand, then ends the job with no summary, the journals whole; so does\n"
    "a process that dies, but for its file in hand.  The same edit run again finishes\n"
    "the job.\n\n"
    "Examples:\n"
    "  mpirun -np 16 stubmeta-mpi edit --dry-run --where headText=dm01 --set headText=dm02 /srv/a\n"
    "  mpirun -np 16 stubmeta-mpi edit --replace-prefix longText /vol1/ /vol2/ --journal j /srv/a\n"
    "  stubmeta undo j.*\n";

struct CommandLines {
    MpiScanOptions scan;
    MpiEditOptions edit;
};

// Parses the command line; returns -1 to run scan, -2 to run edit, or
// the exit status when the line was wrong or asked for help (printed by
// process 0 alone).
int parse(int argc, char** argv, CommandLines& lines, bool printing) {
    CLI::App app{"stubmeta scan and edit spread over the processes of an MPI job.", "stubmeta-mpi"};
    app.set_version_flag("-V,--version", "stubmeta-mpi " STUBMETA_TOOL_VERSION);
    app.require_subcommand(1);
    CLI::App* scan =
        app.add_subcommand("scan", "Walk directory trees and report every Unix and DMNas stub");
    MpiScanOptions& options = lines.scan;
    add_tree_options(*scan, options);
    add_attribute_options(*scan, options.xattr, options.attribute,
                          "Look at each file's reparse-data attribute instead of its content");
    add_report_options(*scan, options.report);
    scan->footer(kFooter);
    CLI::App* edit =
        app.add_subcommand("edit", "Change the stubs of directory trees that match, journaled");
    add_edit_change_options(*edit, lines.edit.line);
    add_tree_options(*edit, lines.edit.line.tree);
    add_edit_attribute_options(*edit, lines.edit.line);
    add_edit_output_options(*edit, lines.edit.line);
    edit->footer(kEditFooter);
    try {
        app.parse(argc, argv);
        if (edit->parsed()) {
            require_roots(lines.edit.line.tree);
            lines.edit.edit = file_edit_options(lines.edit.line, "stubmeta-mpi edit");
            return -2;
        }
        require_roots(options);
        check_report_options(options.report);
    } catch (const CLI::ParseError& error) {
        if (!printing)
            return error.get_exit_code() == 0 ? kExitOk : kExitUsageOrIo;
        return app.exit(error) == 0 ? kExitOk : kExitUsageOrIo;
    }
    options.inTrees = options.examine_in_trees();
    options.roots = options.examine_roots();
    return -1;
}

int run(int argc, char** argv, int process, int processes) {
    CommandLines lines;
    set_error_prefix("stubmeta-mpi");
    int status = kExitUsageOrIo;
    try {
        status = parse(argc, argv, lines, process == 0);
    } catch (const ToolError& error) {
        // A value that means nothing: said once, and every process ends.
        if (process == 0)
            print_error(error.what());
    }
    if (status >= 0) {
        MPI_Barrier(MPI_COMM_WORLD);  // the message printed before any process ends
        return status;
    }
    const bool editing = status == -2;
    set_error_prefix(editing ? "stubmeta-mpi edit" : "stubmeta-mpi scan");
    end_on_interrupt(process == 0, editing);
    const int done = editing ? edit_in_job(lines.edit, process, processes)
                             : scan_in_job(lines.scan, process, processes);
    flush_out();
    return done;
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
