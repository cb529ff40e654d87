# The private home of every shell test: settings, journals, recordings and
# trash go under a folder of the run, never the user's.

# home_env DIR: the variables that make DIR a home, for `env` or `export`;
# its folders are made.
home_env() {
  mkdir -p "$1/program" "$1/Videos" "$1/Pictures"
  echo "HOME=$1 XDG_CONFIG_HOME=$1/config XDG_DATA_HOME=$1/data VISTREL_PROGRAM_DIR=$1/program"
}

# use_sandbox: this shell gets a fresh home ($sandbox), removed at exit.
use_sandbox() {
  sandbox=$(mktemp -d)
  trap 'rm -rf "$sandbox"' EXIT
  # shellcheck disable=SC2046 # mktemp's paths hold no blanks
  export $(home_env "$sandbox")
}
