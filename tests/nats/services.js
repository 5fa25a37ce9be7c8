// Test services for the NATS source, made with the service framework of the npm package
// `nats`: S services ("orders", "billing", "reports", ...) of M endpoints each, N instances
// of every service (one connection each, so the server lists every instance as its own
// client), a requester that keeps num_requests moving, and one endpoint per service that
// throws on every k-th request so that num_errors and last_error move. --url may list
// several servers, comma-separated: the instances are spread over them in turn.
// Run through tools/nats-services; "ready" on stdout once every instance is registered.
"use strict";
const fs = require("fs");
const path = require("path");
const { connect, StringCodec } = require("nats");

const serviceNames = ["orders", "billing", "reports", "shipping", "search", "accounts"];
const endpointNames = ["create", "get", "list", "update", "cancel",
                       "refund", "export", "import", "status", "audit"];

function usage(text) {
    if (text)
        console.error(`nats-services: ${text}`);
    console.error("usage: nats-services [--url URL] [--instances N] [--endpoints M] " +
                  "[--services S] [--error-every K] [--rate R] [--for SECONDS]");
    process.exit(2);
}

function parse(argv) {
    const o = {url: "nats://127.0.0.1:4222", instances: 2, endpoints: 3, services: 3,
               errorEvery: 5, rate: 20, forSeconds: 0};
    const ints = {"--instances": ["instances", 1, 1000], "--endpoints": ["endpoints", 1, 100],
                  "--services": ["services", 1, 100], "--error-every": ["errorEvery", 1, 1e6],
                  "--rate": ["rate", 0, 10000], "--for": ["forSeconds", 0, 86400]};
    for (let i = 0; i < argv.length; i += 2) {
        const key = argv[i], value = argv[i + 1];
        if (value === undefined)
            usage(`${key} needs a value`);
        if (key === "--url") {
            o.url = value;
        } else if (key in ints) {
            const [field, lo, hi] = ints[key];
            const n = Number(value);
            if (!Number.isInteger(n) || n < lo || n > hi)
                usage(`${key} takes ${lo}..${hi}`);
            o[field] = n;
        } else {
            usage(`unknown option ${key}`);
        }
    }
    return o;
}

const nameAt = (names, prefix, i) => (i < names.length ? names[i] : `${prefix}-${i + 1}`);

// Requests the failing endpoint of each service served, over all its instances: with
// many instances sharing the traffic, errors still come every K-th request.
const served = new Map();

// The endpoint that fails: the second when there are several, so the first always works.
const failingEndpoint = (m) => (m > 1 ? 1 : 0);

async function startInstance(o, service, url) {
    const nc = await connect({servers: url, name: `${service}-instance`, maxReconnectAttempts: 0});
    const srv = await nc.services.add({name: service, version: "1.2.0",
                                       description: `${service} test service`});
    const group = srv.addGroup(service);
    for (let e = 0; e < o.endpoints; ++e) {
        const name = nameAt(endpointNames, "endpoint", e);
        group.addEndpoint(name, (err, msg) => {
            if (err)
                return;
            if (e === failingEndpoint(o.endpoints)) {
                const n = (served.get(service) || 0) + 1;
                served.set(service, n);
                if (n % o.errorEvery === 0)
                    throw new Error(`${service}.${name}: planted failure ${n}`);
            }
            msg.respond(msg.data);
        });
    }
    return nc;
}

async function main() {
    const o = parse(process.argv.slice(2));
    // Started by tools/nats-services --background: the PID file is written here, by the
    // process itself, since the PID its starter saw may be setsid's.
    if (process.env.NATS_SERVICES_PID_DIR) {
        fs.writeFileSync(path.join(process.env.NATS_SERVICES_PID_DIR, `services-${process.pid}.pid`),
                         `${process.pid}\n`);
        console.log(`pid ${process.pid}`);
    }
    const services = Array.from({length: o.services}, (_, i) => nameAt(serviceNames, "service", i));
    const urls = o.url.split(",");
    const connections = [];
    for (const s of services)
        for (let i = 0; i < o.instances; ++i)
            connections.push(await startInstance(o, s, urls[connections.length % urls.length]));

    const sc = StringCodec();
    const requester = await connect({servers: urls, name: "nats-services-requester",
                                     maxReconnectAttempts: 0});
    connections.push(requester);
    let stopping = false;
    const stop = async (code) => {
        if (stopping)
            return;
        stopping = true;
        clearInterval(ticker);
        await Promise.allSettled(connections.map((c) => c.close()));
        // Started by tools/nats-services --background: its PID file goes with it.
        if (process.env.NATS_SERVICES_PID_DIR)
            fs.rmSync(path.join(process.env.NATS_SERVICES_PID_DIR, `services-${process.pid}.pid`),
                      {force: true});
        process.exit(code);
    };
    // Round-robin over every service's endpoints; a failed request (the planted throw
    // answers nothing useful, or times out) is expected and ignored.
    let next = 0;
    const subjects = services.flatMap((s) => Array.from(
        {length: o.endpoints}, (_, e) => `${s}.${nameAt(endpointNames, "endpoint", e)}`));
    const ticker = o.rate > 0 ? setInterval(() => {
        const subject = subjects[next++ % subjects.length];
        requester.request(subject, sc.encode("ping"), {timeout: 1000}).catch(() => {});
    }, Math.max(1, Math.round(1000 / o.rate))) : null;

    for (const signal of ["SIGTERM", "SIGINT"])
        process.on(signal, () => stop(0));
    for (const c of connections)
        c.closed().then((err) => { if (err && !stopping) { console.error(`nats-services: ${err}`); stop(1); } });
    if (o.forSeconds > 0)
        setTimeout(() => stop(0), o.forSeconds * 1000);
    console.log(`ready ${services.length} services x ${o.instances} instances x ` +
                `${o.endpoints} endpoints on ${o.url}`);
}

main().catch((err) => {
    console.error(`nats-services: ${err.message || err}`);
    process.exit(1);
});
