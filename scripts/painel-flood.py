#!/usr/bin/env python3
# For scripts/bench-painel.sh: twenty clients send wrong passwords to
# kal02700-painel on 127.0.0.1:PORT for ten seconds while /saude is asked
# every 0.1 s; prints the median and the slowest /saude.
#   painel-flood.py PORT
import base64, http.client, statistics, sys, threading, time
port = int(sys.argv[1]); seconds = 10
end = time.monotonic() + seconds
sent = [0]
def flood(i):
    auth = 'Basic ' + base64.b64encode(f'matriz:errada{i}'.encode()).decode()
    while time.monotonic() < end:
        try:
            c = http.client.HTTPConnection('127.0.0.1', port, timeout=30)
            c.request('GET', '/api/noite', headers={'Authorization': auth})
            c.getresponse().read()
            c.close()
            sent[0] += 1
        except OSError:
            time.sleep(0.05)
threads = [threading.Thread(target=flood, args=(i,)) for i in range(20)]
for t in threads: t.start()
times = []
while time.monotonic() < end:
    t0 = time.monotonic()
    c = http.client.HTTPConnection('127.0.0.1', port, timeout=30)
    c.request('GET', '/saude'); r = c.getresponse(); r.read(); c.close()
    times.append(time.monotonic() - t0)
    time.sleep(0.1)
for t in threads: t.join()
print(f"/saude durante 20 clientes com senha errada ({len(times)} pedidos, {sent[0]} pedidos com senha errada): "
      f"mediana {statistics.median(times):.4f} s, mais lenta {max(times):.4f} s (meta 0.05 s)")
