# What a terminal shows after the bytes of the file named by the first
# argument: carriage returns go back to the start of the line, newlines start
# a new one, and later characters overwrite earlier ones. One screen line per
# output line, trailing blanks dropped.
import sys

lines, col = [''], 0
for ch in open(sys.argv[1], 'rb').read().decode('utf-8', 'replace'):
    if ch == '\r':
        col = 0
    elif ch == '\n':
        lines.append('')
        col = 0
    else:
        line = lines[-1].ljust(col + 1)
        lines[-1] = line[:col] + ch + line[col + 1:]
        col += 1
print('\n'.join(l.rstrip(' ') for l in lines).rstrip('\n'))
