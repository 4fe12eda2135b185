"""What `kavo5000 decode --trace` says of each exchange, for the monitor's
and the dissector's tests to hold their readings against."""
import subprocess


def decode_blocks(tool, trace):
    """decode --trace's lines per exchange, without the heading and indentation."""
    out = subprocess.run([tool, "decode", "--trace", trace], check=True,
                         capture_output=True, text=True).stdout
    blocks = []
    for line in out.splitlines():
        if line.startswith("#"):
            blocks.append([])
        else:
            blocks[-1].append(line.strip())
    return blocks
