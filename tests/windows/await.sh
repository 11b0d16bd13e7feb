# Sourced by the scripts that drive the program under Wine.
# Waits up to $1 seconds for the command after it to succeed.
await() {
    for _ in $(seq $(($1 * 10))); do
        "${@:2}" && return 0
        sleep 0.1
    done
    return 1
}
