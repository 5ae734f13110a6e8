"""delay_proxy.py TARGET_PORT DELAY_MS [CLIENT_LOG]: a TCP proxy on 127.0.0.1 to TARGET_PORT.

What the server sends reaches the client DELAY_MS later; what the client sends goes at once and,
with CLIENT_LOG, is appended to that file. Prints its port and serves until stdin closes.
"""
import asyncio
import sys


async def pipe(reader, writer, delay, log):
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            if log:
                with open(log, "ab") as f:
                    f.write(data)
            if delay:
                await asyncio.sleep(delay)
            writer.write(data)
            await writer.drain()
    except (ConnectionError, asyncio.CancelledError):
        pass
    finally:
        writer.close()


async def main():
    target = int(sys.argv[1])
    delay = float(sys.argv[2]) / 1000.0
    log = sys.argv[3] if len(sys.argv) > 3 else None

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pipe(client_reader, server_writer, 0, log),
                             pipe(server_reader, client_writer, delay, None))

    server = await asyncio.start_server(handle, "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await asyncio.get_running_loop().run_in_executor(None, sys.stdin.buffer.read)
    server.close()


asyncio.run(main())
