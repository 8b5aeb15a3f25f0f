// What a run on this machine prints, and the headless run itself: the output thread, the trace and
// summary lines, the scripted user that closes the program after its run time, and the wiring of the
// simulated boards and host for a run on the real clock. main.cpp uses CRunSession; the pieces have
// headers of their own, gathered here, so that tests can check each one.
//
// Line formats (one item per line; --help documents them for users):
//   <seconds> <kind> <text>          seconds since the output started, three decimals
//   ul <call text>                   a board-library call (SimCallRecord::strText)
//   host ...                         a host command (FormatSimHostTrace)
//   box <answer> <buttons> "<caption>" "<text>"
//   file <answer> open|save "<title>" "<filter>" "<path>"
//   sum frames=<n> +<new> markers=<n> +<new> "<letters>" | board=<b> "<product>" ttl-out=0x<hh>
//       ttl-in=0x<hh> ch<c>=<code>,<volts>V ... | ...        ("| no board" without boards)
//       | latency count=<n> On n=<n> min=<ms> ave=<ms> max=<ms> Off n=... (while QVL Advanced is open)
//   user chose <path> | user left <path> checked | user cannot choose "<PATH>": <reason>
//   user pressed "<caption>" in "<window>" | user cannot press "<CAPTION>": <reason>
//   shot <path> | shot cannot write "<DIR>": <reason>
//   fault <call> on board <b>|any board fails with <code> once|always
//   fault board <b> stops responding | fault board <b> responds again | fault message "<text>"
//   user typed "<text>" into "<LABEL>" in "<window>" | user cannot type into "<LABEL>": <reason>
//   user will answer the next file dialog with "<PATH>"
//   host notify 21 <item> <value> | host notify 165 <bit> <on>
//   text <window>/<id> "<text>"      (--trace-texts)
//   run dropped <n> lines
//   run kept "<path>"                a parameter file this run did not apply, kept as a copy before a
//                                    save replaced it (SetParamFileKeptHook)
//   run host posts refused=<n> +<new>    notifications the host could not post to the program (its queue
//                                        was full): with the summary when new ones came, and at the end
//   run posts left unhandled=<n>         at the end, a backlog of posted messages never handled
#pragma once

#include "run/edit_by_label.h"
#include "run/headless_user_agent.h"
#include "run/menu_path.h"
#include "run/run_output.h"
#include "run/run_screenshots.h"
#include "run/run_session.h"
#include "run/run_summary.h"
#include "run/text_trace.h"
#include "run/trace_lines.h"
