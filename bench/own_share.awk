# Reads one callgrind profile of the main thread and prints: step name, instructions, the
# demo's own instructions. Its own are those of the functions whose source is under `src`
# (set with -v src=DIR/), plus the calls they make into the C and C++ runtime (libc, libm,
# libstdc++, libgcc_s) and into library templates built into the executable. Calls into
# SDL, its drivers and the benchmark's wrappers are not the demo's.

# Callgrind writes a name once as "(id) name" and then "(id)" alone.
function resolve(kind, entry,    close_at, id, rest) {
    if (substr(entry, 1, 1) != "(") {
        return entry
    }
    close_at = index(entry, ")")
    id = substr(entry, 2, close_at - 2)
    rest = substr(entry, close_at + 1)
    sub(/^ /, "", rest)
    if (rest != "") {
        names[kind, id] = rest
    }
    return names[kind, id]
}

function under(path, dir) {
    return dir != "" && substr(path, 1, length(dir)) == dir
}

function runtime_call(object, file) {
    if (object ~ /\/lib(c|m|stdc\+\+|gcc_s)\.so/) {
        return 1
    }
    return object == program && !under(file, src) && !under(file, bench)
}

BEGIN { step = "?"; total = 0; own = 0; in_call = 0 }

/^desc: Trigger: Client Request: / { step = substr($0, length("desc: Trigger: Client Request: ") + 1) }
/^summary:/ { total = $2 }
/^ob=/ { ob = resolve("ob", substr($0, 4)); if (ob ~ /veltronaquis_bench$/) program = ob }
/^cob=/ { cob = resolve("ob", substr($0, 5)) }
/^fl=/ { fl = resolve("fl", substr($0, 4)) }
/^f[ie]=/ { resolve("fl", substr($0, 4)) }
/^cf[il]=/ { cfile = resolve("fl", substr($0, 5)) }
/^fn=/ {
    resolve("fn", substr($0, 4))
    demo_function = under(fl, src)
    cob = ""
    cfile = ""
}
/^cfn=/ { resolve("fn", substr($0, 5)) }
/^calls=/ { in_call = 1; next }
/^[0-9+*-]/ {
    cost = $2 + 0
    if (in_call) {
        callee_object = cob != "" ? cob : ob
        callee_file = cfile != "" ? cfile : fl
        if (demo_function && runtime_call(callee_object, callee_file)) {
            own += cost
        }
        in_call = 0
        cob = ""
        cfile = ""
    } else if (demo_function) {
        own += cost
    }
}

END { printf "%s\t%d\t%d\n", step, total, own }
