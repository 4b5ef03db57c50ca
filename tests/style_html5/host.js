// A web host on 127.0.0.1 for published lectures, for the browser tests
// and the page bench.
"use strict";
const { spawn } = require("node:child_process");
const fs = require("node:fs");
const http = require("node:http");
const path = require("node:path");
const zlib = require("node:zlib");

// Serves a published directory on 127.0.0.1 (a web host): with byte ranges
// and compression, or, with ranges false, as a host that answers every
// request with the whole file; with scripts false its pages may run no
// script (as a browser with scripts turned off); a file named in lost is
// not found.
async function serve(dir, { ranges = true, scripts = true, lost = null } = {}) {
  const types = { ".htm": "text/html; charset=utf-8", ".js": "text/javascript", ".css": "text/css",
    ".gif": "image/gif", ".webp": "image/webp", ".vtt": "text/vtt", ".webm": "video/webm", ".mp4": "video/mp4",
    ".m4a": "audio/mp4", ".mp3": "audio/mpeg", ".m3u8": "application/vnd.apple.mpegurl", ".m4s": "video/iso.segment" };
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/^\/+/, "") || "index.htm";
    const file = path.join(dir, path.normalize(name));
    if (!file.startsWith(dir) || name === lost || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    const size = fs.statSync(file).size;
    const type = types[path.extname(file)] || "application/octet-stream";
    const headers = { "Content-Type": type, "Cache-Control": "max-age=3600",
      ...(scripts ? {} : { "Content-Security-Policy": "script-src 'none'" }) };
    if (/^text\//.test(type) && /gzip/.test(req.headers["accept-encoding"] || "")) {
      res.writeHead(200, { ...headers, "Content-Encoding": "gzip", Vary: "Accept-Encoding" });
      fs.createReadStream(file).pipe(zlib.createGzip()).pipe(res);
      return;
    }
    const range = ranges && /bytes=(\d*)-(\d*)/.exec(req.headers.range || "");
    if (range) {
      const start = range[1] ? parseInt(range[1], 10) : 0;
      const end = range[2] ? Math.min(parseInt(range[2], 10), size - 1) : size - 1;
      res.writeHead(206, { ...headers, "Accept-Ranges": "bytes", "Content-Range": `bytes ${start}-${end}/${size}`,
        "Content-Length": end - start + 1 });
      fs.createReadStream(file, { start, end }).pipe(res);
      return;
    }
    res.writeHead(200, { ...headers, "Accept-Ranges": ranges ? "bytes" : "none", "Content-Length": size });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return {
    base: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((r) => { server.closeAllConnections(); server.close(r); }),
  };
}

// Python's own web server (python3 -m http.server) serving dir on
// 127.0.0.1: a plain host, as many are, that answers no byte-range request.
async function servePython(dir) {
  const child = spawn("python3", ["-u", "-m", "http.server", "--bind", "127.0.0.1", "--directory", dir, "0"],
    { stdio: ["ignore", "pipe", "ignore"] });
  const ended = new Promise((resolve) => child.once("exit", resolve));
  const port = await new Promise((resolve, reject) => {
    let said = "";
    child.stdout.on("data", (d) => {
      said += d;
      const m = / port (\d+)/.exec(said);
      if (m) {
        resolve(m[1]);
      }
    });
    ended.then((code) => reject(new Error(`python3 -m http.server ended (${code}): ${said}`)));
  });
  return { base: `http://127.0.0.1:${port}/`, close: () => { child.kill(); return ended; } };
}

module.exports = { serve, servePython };
