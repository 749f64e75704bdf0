#!/usr/bin/env python3
# For scripts/bench-painel.sh: twenty clients send wrong passwords to
# kal02700-painel on 127.0.0.1:PORT for ten seconds while /saude is asked
# every 0.1 s, from another process; prints the median and the slowest /saude.
#   painel-flood.py PORT
import base64, http.client, multiprocessing, statistics, sys, threading, time
port = int(sys.argv[1]); seconds = 10

def flood(i, end, sent):
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

def flooder(end, count):
    # The twenty clients in a process of their own: their threads share one
    # interpreter lock, which must not delay the measuring of /saude.
    sent = [0]
    threads = [threading.Thread(target=flood, args=(i, end, sent)) for i in range(20)]
    for t in threads: t.start()
    for t in threads: t.join()
    count.value = sent[0]

if __name__ == '__main__':
    end = time.monotonic() + seconds
    count = multiprocessing.Value('q', 0)
    clients = multiprocessing.Process(target=flooder, args=(end, count))
    clients.start()
    times = []
    while time.monotonic() < end:
        t0 = time.monotonic()
        c = http.client.HTTPConnection('127.0.0.1', port, timeout=30)
        c.request('GET', '/saude'); r = c.getresponse(); r.read(); c.close()
        times.append(time.monotonic() - t0)
        time.sleep(0.1)
    clients.join()
    print(f"/saude durante 20 clientes com senha errada ({len(times)} pedidos, {count.value} pedidos com senha errada): "
          f"mediana {statistics.median(times):.4f} s, mais lenta {max(times):.4f} s (meta 0.05 s)")
