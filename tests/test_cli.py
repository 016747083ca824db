"""The command-line solver as a user runs it: a closed output pipe, Ctrl-C
during a hard MIP, and files it cannot read."""
import gzip
import os
import random
import re
import signal
import subprocess
import sys
import time

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
INSTANCES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data", "instances"))
CLI = [sys.executable, "-m", "ondrel"]
AFIRO = os.path.join(INSTANCES, "afiro.mps")


def _market_split(path, m=4, n=34, seed=1):
    """A small MIP that branch and bound takes very long to prove optimal."""
    rnd = random.Random(seed)
    a = [[rnd.randint(0, 99) for _ in range(n)] for _ in range(m)]
    lines = ["minimize", " obj: " + " + ".join(f"sp{i} + sm{i}" for i in range(m)), "subject to"]
    for i in range(m):
        terms = " + ".join(f"{a[i][j]} x{j}" for j in range(n))
        lines.append(f" r{i}: {terms} + sp{i} - sm{i} = {sum(a[i]) // 2}")
    lines += ["binary", " " + " ".join(f"x{j}" for j in range(n)), "end"]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


@pytest.mark.skipif(not os.path.exists(AFIRO), reason="instance folder not present")
def test_closed_pipe_ends_quietly():
    # A reader that takes one line and leaves, as `| head -1` does.
    cli = subprocess.Popen(CLI + [AFIRO, "--solution", "--all"], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
    first = cli.stdout.readline()
    cli.stdout.close()
    err = cli.stderr.read().decode()
    rc = cli.wait(timeout=120)
    assert first.startswith(b"Problem:")
    assert "Traceback" not in err and "BrokenPipeError" not in err, err
    assert rc in (0, 141)


def test_interrupt_prints_best_solution(tmp_path):
    path = str(tmp_path / "split.lp")
    _market_split(path)
    cli = subprocess.Popen(CLI + [path, "--solution"], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True)
    time.sleep(4)
    assert cli.poll() is None, "the MIP solved too fast to be interrupted"
    cli.send_signal(signal.SIGINT)
    out, err = cli.communicate(timeout=120)
    assert "Traceback" not in err, err
    assert cli.returncode == 130
    assert re.search(r"Status:\s+mip_solution \(interrupted\)", out), out + err
    assert re.search(r"Objective:\s+\S+", out)
    assert re.search(r"^\s+x\d+\s+1$", out, re.M), out


def _binary(tmp):
    path = tmp / "model.mps"
    path.write_bytes(bytes(range(256)) * 4)
    return path, "binary content"


def _latin1(tmp):
    path = tmp / "model.lp"
    path.write_bytes(b"minimize\n caf\xe9\nend\n")
    return path, "not valid UTF-8"


def _gz_binary(tmp):
    path = tmp / "zeros.mps.gz"
    path.write_bytes(gzip.compress(b"\0" * (1 << 20)))
    return path, "binary content"


def _corrupt_gz(tmp):
    path = tmp / "cut.mps.gz"
    path.write_bytes(gzip.compress(b"NAME x\nROWS\n N obj\n" * 1000)[:200])
    return path, "cut.mps.gz"


@pytest.mark.parametrize("make", [_binary, _latin1, _gz_binary, _corrupt_gz])
def test_unreadable_file_is_one_line_and_status_1(tmp_path, make):
    path, says = make(tmp_path)
    out = subprocess.run(CLI + [str(path)], capture_output=True, text=True, timeout=120)
    assert out.returncode == 1
    assert "Traceback" not in out.stderr
    lines = out.stderr.strip().splitlines()
    assert len(lines) == 1 and lines[0].startswith("ondrel: ") and says in lines[0], out.stderr


@pytest.mark.skipif(not os.path.exists(AFIRO), reason="instance folder not present")
@pytest.mark.parametrize("name", ["afiro.mps.gz", "afiro_packed.mps"])
def test_gzip_file_solves(tmp_path, name):
    path = tmp_path / name
    with open(AFIRO, "rb") as f:
        path.write_bytes(gzip.compress(f.read()))
    out = subprocess.run(CLI + [str(path)], capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    obj = float(re.search(r"Objective:\s+(\S+)", out.stdout).group(1))
    assert obj == pytest.approx(-4.6475314286e+02, rel=1e-6)


@pytest.mark.parametrize("name", ["x" + "é" * 200, "ü" * 149 + "€€", "日本" * 100])
@pytest.mark.parametrize("ext", [".mps", ".lp"])
def test_long_non_ascii_names_written_and_solved(tmp_path, name, ext):
    # Names are cut to 150 characters; the cut must not split a character,
    # or the written file is no longer valid text.
    import ondrel
    p = ondrel.problem()
    x = ondrel.var(name=name, ub=3)
    p.addVariable(x)
    p.setObjective(-x)
    path = str(tmp_path / ("model" + ext))
    p.write(path)
    out = subprocess.run(CLI + [path, "--solution"], capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    assert name[:150] in out.stdout
