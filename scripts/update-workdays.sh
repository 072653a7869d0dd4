#!/usr/bin/env bash
# Regenerates data/workdays.txt, the official holidays and make-up working days of mainland
# China, from the npm package chinese-days (MIT; it follows the State Council's yearly
# notices from 2004 on), and copies its licence beside it. Run it once a year, after the
# State Council has published the next year's schedule (usually in November), and commit
# the two files:
#
#   scripts/update-workdays.sh [VERSION]     (default: the newest)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && npm pack --silent "chinese-days@${1:-latest}" >/dev/null && tar xzf chinese-days-*.tgz)
version=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["version"])' \
    "$tmp/package/package.json")
cp "$tmp/package/LICENSE" "$here/data/chinese-days.LICENSE"
python3 - "$tmp/package/dist/chinese-days.json" "$version" >"$here/data/workdays.txt" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
days = {d: "休" for d in data["holidays"]}
days.update({d: "班" for d in data["workdays"]})
years = sorted({int(d[:4]) for d in days})
print("# 中国大陆的法定节假日（休）和调休上班日（班），一行一天。没有列出的日子：星期一至星期五上班，")
print("# 星期六、星期日休息。")
print(f"# 数据来自 npm 包 chinese-days {sys.argv[2]}（MIT 许可，Copyright (c) 2024 Yawei sun，")
print("# 见 chinese-days.LICENSE），由 scripts/update-workdays.sh 生成。")
print("# 同样格式的 workdays.txt 放在 Tasquill 的数据文件夹中时，优先于安装的这一份。")
print(f"年份 {years[0]}-{years[-1]}")
for day in sorted(days):
    print(day, days[day])
PY
echo "data/workdays.txt: chinese-days $version, $(grep -c '^[0-9]' "$here/data/workdays.txt") days"
