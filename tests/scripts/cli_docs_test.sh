#!/usr/bin/env bash
# The man page and the bash completion name every verb of quorvel-cli and
# every option each verb takes, as the program's own help lists them.
#   cli_docs_test.sh QUORVEL_CLI MAN_PAGE COMPLETION
set -u
cli=${1:?usage: cli_docs_test.sh QUORVEL_CLI MAN_PAGE COMPLETION}
man=${2:?}
completion=${3:?}

# The man page as plain words: font changes dropped, "\-" as "-".
man_text=$(sed -E 's/\\f[BIRP]//g; s/\\-/-/g' "$man")
completion_text=$(cat "$completion")

# Is the whole word (verb or option) in the text?
names() {
    grep -qE -- "(^|[^a-z0-9-])$2([^a-z0-9-]|\$)" <<<"$1"
}

verbs=$("$cli" --help | sed -n '/^Verbs:/,/^$/p' | sed -n 's/^  \([a-z0-9-]*\) .*/\1/p')
[ -n "$verbs" ] || { echo "no verbs in '$cli --help'" >&2; exit 1; }

bad=0
checked=0
for verb in $verbs; do
    names "$man_text" "$verb" || { echo "man page: no verb $verb" >&2; bad=1; }
    names "$completion_text" "$verb" || { echo "completion: no verb $verb" >&2; bad=1; }
    for option in $("$cli" "$verb" --help | grep -oE -- '^ +(-[a-z], )?--[a-z0-9-]+' |
        grep -oE -- '--[a-z0-9-]+'); do
        names "$man_text" "$option" || { echo "man page: no $option ($verb)" >&2; bad=1; }
        names "$completion_text" "$option" ||
            { echo "completion: no $option ($verb)" >&2; bad=1; }
        checked=$((checked + 1))
    done
done
[ "$checked" -gt 0 ] || { echo "no options found in the verbs' help" >&2; exit 1; }
[ "$bad" -eq 0 ] && echo "man page and completion name all $(wc -w <<<"$verbs") verbs and their options"
exit "$bad"
